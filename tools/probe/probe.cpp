// A test helper that looks at the running program from outside, the way a
// user's eyes would: through the window texts, not its memory.
//   probe wait-window TIMEOUT_MS
//   probe launch EXE TIMEOUT_MS              starts EXE and prints "window W device D": the ms from the
//                                            start until its main window shows, and until it names the
//                                            device found; the program is left running
//   probe text ID
//   probe size                               the main window's client size
//   probe wait-text ID TEXT TIMEOUT_MS       prints the epoch ms of the match
//   probe wait-text-not ID TEXT TIMEOUT_MS
//   probe close TIMEOUT_MS                   closes and confirms with Yes
//   probe send MSG WPARAM LPARAM             sends to the main window, prints the answer
//   probe post MSG WPARAM LPARAM             posts to the main window
//   probe key ID VK                          a key press (down, up) at control ID (0: the window)
//   probe windows                            captions of the program's visible top-level windows
//   probe answer CAPTION BUTTON TIMEOUT_MS   waits for the box, prints its text, presses BUTTON
//   probe items ID                           texts of the visible controls with that id, top to bottom
//   probe placement                          "iconic" or "normal", and whether it is in front
//   probe rect ID                            "left top right bottom" of the first visible control with that id,
//                                            the main window's own first, then its pages'
//   probe ping MAX_MS [STOP_FILE]            the window's round trip: WM_NULL sent every 20 ms
//                                            until MAX_MS have passed or STOP_FILE exists; prints
//                                            "samples N median M p99 P worst W" (ms; a send that
//                                            times out after 2 s counts as 2000)
// The pages' controls, found anywhere below the main window by id:
//   probe item-text ID                       text of the first descendant with that id
//   probe count ID                           a list view's row count
//   probe rows ID                            a list view: row count, then per row
//                                            "checked<TAB>col0<TAB>...<TAB>col4"
//   probe tick ID ROW 0|1                    unticks / ticks a row of a list view
//   probe click-column ID COLUMN             clicks a list view's column heading
//   probe click ID                           clicks the button with that id
//   probe select ID INDEX                    chooses an item of a drop-down list, as a user would
//   probe select-entry ENTRY                 posts the sidebar's WM_USER+2 for an entry
//   probe file-dialog TIMEOUT_MS FOLDER NAMES   in the open-file dialog: goes to FOLDER,
//                                            types NAMES (e.g. "a.mp3" "b.wma"), confirms
//   probe file-dialog-all TIMEOUT_MS FOLDER   goes to FOLDER and types the name of every file
//                                            in it (the dialog stays open)
//   probe file-dialog-open TIMEOUT_MS        presses the dialog's Open button
//   probe file-dialog-cancel TIMEOUT_MS
//   probe box TIMEOUT_MS [BUTTON_ID]         prints a message box's text, presses its
//                                            button (IDOK unless given)
//   probe drop PATH...                       drops files and folders onto the main window, as
//                                            the shell does: WM_DROPFILES with its block in the
//                                            program's memory
//   probe open-row ID ROW dblclick|enter     clicks a list view's row, then double-clicks it or
//                                            presses Enter on it
//   probe reopen ID ROW TIMES CAPTION        Enter on the row, then Esc on the window CAPTION as
//                                            soon as it shows, TIMES times
// Other windows of the program, found by caption:
//   probe window-text CAPTION ID             text of that window's control
//   probe window-rect CAPTION ID             "left top width height" of a visible control, on the screen
//   probe window-key CAPTION VK              a key press (down, up) at that window
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace {

using dockline::platform::Narrow;
using dockline::platform::Wide;

const wchar_t kTitle[] = L"言途6170 下载软件";

HWND MainWindow() { return FindWindowW(nullptr, kTitle); }

long long NowEpochMs() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  const unsigned long long t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<long long>(t / 10000ULL - 11644473600000ULL);
}

std::string ControlText(HWND main, int id) {
  HWND c = GetDlgItem(main, id);
  if (!c) return "<no control>";
  wchar_t buf[512] = {};
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(c, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &len))
    return "<hung>";
  return Narrow(std::wstring_view(buf, len));
}

std::wstring WindowText(HWND w) {
  wchar_t buf[1024] = {};
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &len)) return L"<hung>";
  return std::wstring(buf, len);
}

void Print(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

template <class Pred>
bool WaitFor(long timeoutMs, Pred pred) {
  const long long end = NowEpochMs() + timeoutMs;
  for (;;) {
    if (pred()) return true;
    if (NowEpochMs() > end) return false;
    Sleep(20);
  }
}

struct BoxSearch {
  DWORD pid;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK MatchBox(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<BoxSearch*>(p);
  DWORD wp = 0;
  GetWindowThreadProcessId(w, &wp);
  wchar_t text[64] = {};
  GetWindowTextW(w, text, 64);
  if (wp == s->pid && IsWindowVisible(w) && wcscmp(text, s->caption) == 0) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

struct TopLevels {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<TopLevels*>(p);
  DWORD wp = 0;
  GetWindowThreadProcessId(w, &wp);
  if (wp == s->pid && IsWindowVisible(w)) s->found.push_back(w);
  return TRUE;
}

struct SameId {
  HWND parent;
  int id;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectSameId(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<SameId*>(p);
  if ((!s->parent || GetParent(w) == s->parent) && GetDlgCtrlID(w) == s->id && IsWindowVisible(w)) s->found.push_back(w);
  return TRUE;
}


HWND FindOwnedBox(HWND owner, const wchar_t* caption) {
  BoxSearch s{0, caption, nullptr};
  GetWindowThreadProcessId(owner, &s.pid);
  EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&s));
  return s.found;
}


// ---- pages: controls below the main window, list views read across processes ----

struct ChildSearch {
  int id;
  const wchar_t* className;  // null: any
  HWND found;
};

BOOL CALLBACK MatchChild(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<ChildSearch*>(p);
  if (GetDlgCtrlID(w) != s->id) return TRUE;
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (s->className && _wcsicmp(cls, s->className) != 0) return TRUE;
  s->found = w;
  return FALSE;
}

// Ids repeat between the main window and its pages: the class tells them apart.
HWND FindDescendant(HWND main, int id, const wchar_t* className = nullptr) {
  ChildSearch s{id, className, nullptr};
  EnumChildWindows(main, MatchChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// A block of memory in the program's process, for messages that carry pointers.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, std::size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_.Reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION,
                               FALSE, pid));
    if (!process_) return;
    // What goes into the block (LVITEMW and the like) is laid out as this
    // probe's build lays it; a program of the other bitness would read
    // another structure there and answer with nonsense rather than fail.
    BOOL mine = FALSE, theirs = FALSE;
    if (IsWow64Process(GetCurrentProcess(), &mine) && IsWow64Process(process_.Get(), &theirs) && mine != theirs) {
      Print("the program is of another bitness than this probe: use the probe built with it");
      return;
    }
    remote_ = VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (remote_) VirtualFreeEx(process_.Get(), remote_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  explicit operator bool() const { return remote_ != nullptr; }
  // The block stays in the program, which owns it from now on.
  void Leave() { remote_ = nullptr; }
  char* At(std::size_t offset) const { return static_cast<char*>(remote_) + offset; }
  bool Write(std::size_t offset, const void* data, std::size_t n) const {
    return offset + n <= size_ && WriteProcessMemory(process_.Get(), At(offset), data, n, nullptr);
  }
  bool Read(std::size_t offset, void* data, std::size_t n) const {
    return offset + n <= size_ && ReadProcessMemory(process_.Get(), At(offset), data, n, nullptr);
  }

 private:
  std::size_t size_;
  dockline::platform::KernelHandle process_;
  void* remote_ = nullptr;
};

constexpr int kTextChars = 1024;

std::string RemoteItemText(HWND list, const RemoteBuffer& buf, int row, int column) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<LPWSTR>(buf.At(sizeof(LVITEMW)));
  item.cchTextMax = kTextChars;
  if (!buf.Write(0, &item, sizeof item)) return "<unreadable>";
  const LRESULT n = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buf.At(0)));
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  if (n > 0 && !buf.Read(sizeof(LVITEMW), text.data(), static_cast<std::size_t>(n) * sizeof(wchar_t))) return "<unreadable>";
  return Narrow(text);
}

bool RowChecked(HWND list, int row) {
  const auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

int PrintRows(HWND list) {
  RemoteBuffer buf(list, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
  if (!buf) {
    Print("cannot reach the program's memory");
    return 1;
  }
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  Print(std::to_string(rows));
  for (int row = 0; row < rows; ++row) {
    std::string line = RowChecked(list, row) ? "1" : "0";
    for (int c = 0; c < 5; ++c) line += "\t" + RemoteItemText(list, buf, row, c);
    Print(line);
  }
  return 0;
}

int TickRow(HWND list, int row, bool on) {
  RemoteBuffer buf(list, sizeof(LVITEMW));
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
  if (!buf || !buf.Write(0, &item, sizeof item)) return 1;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buf.At(0)));
  return RowChecked(list, row) == on ? 0 : 1;
}

// A real click on the heading: the header tells the list, the list its page.
int ClickColumn(HWND list, int column) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  RemoteBuffer buf(list, sizeof(RECT));
  RECT r{};
  if (!header || !buf ||
      !SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(buf.At(0))) ||
      !buf.Read(0, &r, sizeof r)) {
    Print("no such column");
    return 1;
  }
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(header, WM_MOUSEMOVE, 0, at);
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(header, WM_LBUTTONUP, 0, at);
  return 0;
}

struct TopSearch {
  DWORD pid;
  HWND except;
  bool (*accept)(HWND);
  HWND found;
};

BOOL CALLBACK MatchTop(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<TopSearch*>(p);
  DWORD wp = 0;
  GetWindowThreadProcessId(w, &wp);
  wchar_t cls[32] = {};
  GetClassNameW(w, cls, 32);
  if (wp == s->pid && w != s->except && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0 && s->accept(w)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND FindProcessDialog(HWND main, bool (*accept)(HWND)) {
  TopSearch s{0, main, accept, nullptr};
  GetWindowThreadProcessId(main, &s.pid);
  EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// The explorer-style dialog's name box: the combo cmb13, or the plain edit edt1.
HWND FileNameBox(HWND dialog) {
  if (HWND combo = GetDlgItem(dialog, 0x47C)) return combo;
  return GetDlgItem(dialog, 0x480);
}
bool IsFileDialog(HWND w) { return FileNameBox(w) != nullptr; }

// The folder an open-file dialog shows, without a trailing backslash.
std::wstring DialogFolder(HWND dialog) {
  RemoteBuffer buf(dialog, MAX_PATH * sizeof(wchar_t));
  wchar_t path[MAX_PATH] = {};
  if (!buf || SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(buf.At(0))) <= 0 ||
      !buf.Read(0, path, sizeof path))
    return {};
  std::wstring folder(path);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}
bool IsMessageBox(HWND w) { return GetDlgItem(w, 0xFFFF) != nullptr && !IsFileDialog(w); }

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// How long the window takes to answer while whatever happens happens. The
// samples are taken every 20 ms; a slow answer delays the next one, so a
// frozen window shows as few long samples, never as many short ones.
int Ping(HWND main, long maxMs, const std::wstring& stopFile) {
  constexpr UINT kGiveUpMs = 2000;
  LARGE_INTEGER frequency{}, start{}, now{};
  QueryPerformanceFrequency(&frequency);
  auto ms = [&](const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
  };
  std::vector<double> samples;
  QueryPerformanceCounter(&start);
  for (;;) {
    LARGE_INTEGER before{}, after{};
    QueryPerformanceCounter(&before);
    DWORD_PTR ignored = 0;
    const bool answered = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, kGiveUpMs, &ignored) != 0;
    QueryPerformanceCounter(&after);
    samples.push_back(answered ? ms(before, after) : kGiveUpMs);
    if (!IsWindow(main)) break;
    if (!stopFile.empty() && GetFileAttributesW(stopFile.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    QueryPerformanceCounter(&now);
    if (ms(start, now) >= maxMs) break;
    const double spent = ms(before, now);
    if (spent < 20) Sleep(static_cast<DWORD>(20 - spent));
  }
  std::sort(samples.begin(), samples.end());
  auto at = [&](double q) { return samples[std::min(samples.size() - 1, static_cast<std::size_t>(q * samples.size()))]; };
  char line[160];
  std::snprintf(line, sizeof line, "samples %zu median %.1f p99 %.1f worst %.1f", samples.size(), at(0.5), at(0.99),
                samples.back());
  Print(line);
  return 0;
}

// Clicks a list view's row, then double-clicks it or presses Enter on it.
bool OpenRow(HWND main, int id, int row, bool doubleClick) {
  HWND list = FindDescendant(main, id, L"SysListView32");
  RemoteBuffer buf(main, sizeof(RECT));
  RECT r{LVIR_LABEL, 0, 0, 0};
  if (!list || !buf || !buf.Write(0, &r, sizeof r) ||
      !SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buf.At(0))) ||
      !buf.Read(0, &r, sizeof r))
    return false;
  // A click selects the row and gives its list the focus, as a user's would.
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  if (doubleClick) {
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
  } else {
    PostMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(list, WM_KEYUP, VK_RETURN, 0xC0000001);
  }
  return true;
}

int PageCommand(HWND main, const std::vector<std::string>& a) {
  const std::string& cmd = a[0];
  auto number = [&](std::size_t i) { return std::atoi(a[i].c_str()); };
  if (cmd == "item-text" && a.size() == 2) {
    HWND w = FindDescendant(main, number(1));
    Print(w ? Narrow(WindowText(w)) : "<no control>");
    return w ? 0 : 1;
  }
  if ((cmd == "rows" && a.size() == 2) || (cmd == "count" && a.size() == 2) || (cmd == "tick" && a.size() == 4) ||
      (cmd == "click-column" && a.size() == 3)) {
    HWND list = FindDescendant(main, number(1), L"SysListView32");
    if (!list) {
      Print("no list view " + a[1]);
      return 1;
    }
    if (cmd == "rows") return PrintRows(list);
    if (cmd == "count") {
      Print(std::to_string(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
      return 0;
    }
    if (cmd == "tick") return TickRow(list, number(2), number(3) != 0);
    return ClickColumn(list, number(2));
  }
  if (cmd == "click" && a.size() == 2) {
    HWND button = FindDescendant(main, number(1), L"Button");
    if (!button) {
      Print("no button " + a[1]);
      return 1;
    }
    // Sent, so the caller sees its effect; a click that opens a modal dialog
    // outlasts the wait and is left running.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
    return 0;
  }
  if (cmd == "select" && a.size() == 3) {
    HWND combo = FindDescendant(main, number(1), L"ComboBox");
    if (!combo || SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(number(2)), 0) == CB_ERR) {
      Print("no such item");
      return 1;
    }
    // The parent hears of it as of a choice made with the mouse.
    PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(number(1), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return 0;
  }
  if (cmd == "select-entry" && a.size() == 2) {
    PostMessageW(main, WM_USER + 2, 0, number(1));
    return 0;
  }
  if ((cmd == "file-dialog" && a.size() == 4) || (cmd == "file-dialog-all" && a.size() == 3) ||
      (cmd == "file-dialog-open" && a.size() == 2) || (cmd == "file-dialog-cancel" && a.size() == 2)) {
    const long timeout = std::atol(a[1].c_str());
    HWND dialog = nullptr;
    if (!WaitFor(timeout, [&] { return (dialog = FindProcessDialog(main, IsFileDialog)) != nullptr; })) {
      Print("no file dialog");
      return 1;
    }
    if (cmd == "file-dialog-cancel") {
      PressButton(dialog, IDCANCEL);
    } else if (cmd == "file-dialog-all") {
      // Typed when the dialog shows another folder: confirming the folder it
      // shows would choose that folder as a file.
      std::wstring folder = Wide(a[2]);
      while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
      if (_wcsicmp(DialogFolder(dialog).c_str(), folder.c_str()) != 0) {
        SetWindowTextW(FileNameBox(dialog), folder.c_str());
        PressButton(dialog, IDOK);
        if (!WaitFor(timeout, [&] { return _wcsicmp(DialogFolder(dialog).c_str(), folder.c_str()) == 0; })) {
          Print("the dialog did not go to the folder");
          return 1;
        }
      }
      // Every name typed, as a user's Ctrl+A would fill the box: selecting
      // the dialog's items instead costs Wine's file list time that grows
      // with the square of their number (a minute for 2,000).
      std::wstring names;
      WIN32_FIND_DATAW found{};
      const dockline::platform::FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
      if (search) {
        do {
          if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names += L"\"" + std::wstring(found.cFileName) + L"\" ";
        } while (FindNextFileW(search.Get(), &found));
      }
      if (names.empty()) {
        Print("no files in the folder");
        return 1;
      }
      SetWindowTextW(FileNameBox(dialog), names.c_str());
      return 0;
    } else if (cmd == "file-dialog-open") {
      PressButton(dialog, IDOK);
    } else {
      // A folder typed and confirmed only changes the dialog's folder.
      for (const std::string& typed : {a[2], a[3]}) {
        SetWindowTextW(FileNameBox(dialog), Wide(typed).c_str());
        PressButton(dialog, IDOK);
        Sleep(300);
        if (!IsWindow(dialog)) break;
      }
    }
    return WaitFor(timeout, [&] { return !IsWindow(dialog); }) ? 0 : 1;
  }
  if (cmd == "drop" && a.size() >= 2) {
    // What Explorer hands a window that accepts files: a DROPFILES header,
    // then the wide paths, each ended by a NUL and the list by another. The
    // program lets it go with DragFinish, so the block is left to it.
    std::wstring paths;
    for (std::size_t i = 1; i < a.size(); ++i) paths += Wide(a[i]) + L'\0';
    paths += L'\0';
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.pt = {300, 300};
    header.fWide = TRUE;
    RemoteBuffer block(main, sizeof header + paths.size() * sizeof(wchar_t));
    if (!block || !block.Write(0, &header, sizeof header) ||
        !block.Write(sizeof header, paths.data(), paths.size() * sizeof(wchar_t))) {
      Print("cannot reach the program's memory");
      return 1;
    }
    if (!PostMessageW(main, WM_DROPFILES, reinterpret_cast<WPARAM>(block.At(0)), 0)) return 1;
    block.Leave();
    return 0;
  }
  if (cmd == "open-row" && a.size() == 4) {
    if (OpenRow(main, number(1), number(2), a[3] == "dblclick")) return 0;
    Print("no such row");
    return 1;
  }
  if (cmd == "reopen" && a.size() == 5) {
    // Faster than a probe started for each step: a user flicking through.
    const std::wstring caption = Wide(a[4]);
    for (int k = 0; k < number(3); ++k) {
      HWND window = nullptr;
      if (!OpenRow(main, number(1), number(2), false) ||
          !WaitFor(10000, [&] { return (window = FindOwnedBox(main, caption.c_str())) != nullptr; })) {
        Print("no window captioned " + a[4] + " at opening " + std::to_string(k + 1));
        return 1;
      }
      PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
      PostMessageW(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
      if (!WaitFor(10000, [&] { return !IsWindow(window); })) {
        Print("Esc did not close it at opening " + std::to_string(k + 1));
        return 1;
      }
    }
    return 0;
  }
  if ((cmd == "window-text" || cmd == "window-rect" || cmd == "window-key") && a.size() == 3) {
    HWND window = FindOwnedBox(main, Wide(a[1]).c_str());
    if (!window) {
      Print("no window captioned " + a[1]);
      return 1;
    }
    if (cmd == "window-key") {
      PostMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(number(2)), 1);
      PostMessageW(window, WM_KEYUP, static_cast<WPARAM>(number(2)), 0xC0000001);
      return 0;
    }
    HWND control = GetDlgItem(window, number(2));
    if (cmd == "window-text") {
      Print(control ? Narrow(WindowText(control)) : "<no control>");
      return control ? 0 : 1;
    }
    RECT r{};
    if (!control || !IsWindowVisible(control) || !GetWindowRect(control, &r)) {
      Print("not shown");
      return 1;
    }
    Print(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
          std::to_string(r.bottom - r.top));
    return 0;
  }
  if (cmd == "ping" && (a.size() == 2 || a.size() == 3)) return Ping(main, std::atol(a[1].c_str()), a.size() == 3 ? Wide(a[2]) : L"");
  if (cmd == "box" && (a.size() == 2 || a.size() == 3)) {
    HWND box = nullptr;
    if (!WaitFor(std::atol(a[1].c_str()), [&] { return (box = FindProcessDialog(main, IsMessageBox)) != nullptr; })) {
      Print("no message box");
      return 1;
    }
    Print(Narrow(WindowText(GetDlgItem(box, 0xFFFF))));
    PressButton(box, a.size() == 3 ? number(2) : IDOK);
    return 0;
  }
  return -1;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> a;
  for (int i = 1; i < argc; ++i) a.push_back(Narrow(argv[i]));
  if (a.empty()) return 2;
  const std::string& cmd = a[0];
  if (cmd == "wait-window" && a.size() == 2) {
    // Shown, not merely made: the window takes its title halfway through its
    // set-up, before the sidebar and the pages exist.
    return WaitFor(std::atol(a[1].c_str()), [] {
      HWND w = MainWindow();
      return w != nullptr && IsWindowVisible(w);
    }) ? 0 : 1;
  }
  if (cmd == "launch" && a.size() == 3) {
    // Timed from here, inside Wine, so that neither the loader of this probe
    // nor the shell's start-up counts; polled finely, for a figure in ms.
    std::wstring line = L"\"" + Wide(a[1]) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const long long t0 = NowEpochMs();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      Print("could not start " + a[1]);
      return 1;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    const long timeout = std::atol(a[2].c_str());
    long long shown = -1, found = -1;
    const long long end = t0 + timeout;
    while (NowEpochMs() < end && found < 0) {
      HWND w = MainWindow();
      if (shown < 0 && w && IsWindowVisible(w)) shown = NowEpochMs() - t0;
      if (shown >= 0 && ControlText(w, 1019) == "U盘已连接") found = NowEpochMs() - t0;
      Sleep(2);
    }
    Print("window " + std::to_string(shown) + " device " + std::to_string(found));
    return found >= 0 ? 0 : 1;
  }
  HWND main = MainWindow();
  if (!main) {
    Print("no main window");
    return 1;
  }
  if (cmd == "size" && a.size() == 1) {
    RECT r{};
    GetClientRect(main, &r);
    Print(std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
    return 0;
  }
  if (cmd == "text" && a.size() == 2) {
    Print(ControlText(main, std::atoi(a[1].c_str())));
    return 0;
  }
  if ((cmd == "wait-text" || cmd == "wait-text-not") && a.size() == 4) {
    const int id = std::atoi(a[1].c_str());
    const bool want = cmd == "wait-text";
    std::string last;
    const bool ok = WaitFor(std::atol(a[3].c_str()), [&] {
      last = ControlText(main, id);
      return (last == a[2]) == want;
    });
    if (!ok) {
      Print("timed out; control " + a[1] + " shows \"" + last + "\"");
      return 1;
    }
    Print(std::to_string(NowEpochMs()));
    return 0;
  }
  if (cmd == "close" && a.size() == 2) {
    const long timeout = std::atol(a[1].c_str());
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND box = nullptr;
    if (!WaitFor(timeout, [&] { return (box = FindOwnedBox(main, L"提示")) != nullptr; })) {
      Print("no confirmation box");
      return 1;
    }
    // The box's Yes button has the standard id.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDYES)));
    if (!WaitFor(timeout, [&] { return !IsWindow(main); })) {
      Print("main window still open after Yes");
      return 1;
    }
    return 0;
  }
  if ((cmd == "send" || cmd == "post") && a.size() == 4) {
    const UINT msg = static_cast<UINT>(std::stoul(a[1], nullptr, 0));
    const WPARAM wp = static_cast<WPARAM>(std::stoull(a[2], nullptr, 0));
    const LPARAM lp = static_cast<LPARAM>(std::stoll(a[3], nullptr, 0));
    if (cmd == "post") return PostMessageW(main, msg, wp, lp) ? 0 : 1;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(main, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &answer)) return 1;
    Print(std::to_string(static_cast<long long>(answer)));
    return 0;
  }
  if (cmd == "key" && a.size() == 3) {
    const int id = std::atoi(a[1].c_str());
    HWND target = id == 0 ? main : GetDlgItem(main, id);
    const WPARAM vk = static_cast<WPARAM>(std::atoi(a[2].c_str()));
    if (!target) return 1;
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
    return 0;
  }
  if (cmd == "windows" && a.size() == 1) {
    TopLevels t{0, {}};
    GetWindowThreadProcessId(main, &t.pid);
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&t));
    for (HWND w : t.found) Print(Narrow(WindowText(w)));
    return 0;
  }
  if (cmd == "answer" && a.size() == 4) {
    const std::wstring caption = Wide(a[1]);
    const int button = std::atoi(a[2].c_str());
    HWND box = nullptr;
    if (!WaitFor(std::atol(a[3].c_str()), [&] { return (box = FindOwnedBox(main, caption.c_str())) != nullptr; })) {
      Print("no box captioned " + a[1]);
      return 1;
    }
    Print(Narrow(WindowText(GetDlgItem(box, 0xFFFF))));  // the message box's text
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    return 0;
  }
  if (cmd == "items" && a.size() == 2) {
    SameId s{main, std::atoi(a[1].c_str()), {}};
    EnumChildWindows(main, CollectSameId, reinterpret_cast<LPARAM>(&s));
    std::sort(s.found.begin(), s.found.end(), [](HWND x, HWND y) {
      RECT rx{}, ry{};
      GetWindowRect(x, &rx);
      GetWindowRect(y, &ry);
      return rx.top < ry.top;
    });
    for (HWND w : s.found) Print(Narrow(WindowText(w)));
    return 0;
  }
  if (cmd == "placement" && a.size() == 1) {
    Print(std::string(IsIconic(main) ? "iconic" : "normal") + (GetForegroundWindow() == main ? " front" : " behind"));
    return 0;
  }
  if (cmd == "rect" && a.size() == 2) {
    SameId s{main, std::atoi(a[1].c_str()), {}};
    EnumChildWindows(main, CollectSameId, reinterpret_cast<LPARAM>(&s));
    if (s.found.empty()) {  // not the main window's own: a page's
      s.parent = nullptr;
      EnumChildWindows(main, CollectSameId, reinterpret_cast<LPARAM>(&s));
    }
    if (s.found.empty()) return 1;
    RECT r{};
    GetWindowRect(s.found.front(), &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    Print(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
          std::to_string(r.bottom));
    return 0;
  }
  if (const int pageResult = PageCommand(main, a); pageResult >= 0) return pageResult;
  Print("bad arguments");
  return 2;
}
