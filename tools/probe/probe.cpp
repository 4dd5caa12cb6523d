// A test helper that looks at the running program from outside, the way a
// user's eyes would: through the window texts, not its memory.
//   probe wait-window TIMEOUT_MS
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
//   probe click ID                           presses the button with that id
//   probe rect ID                            "left top right bottom" of the first visible control with that id
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
  if (GetParent(w) == s->parent && GetDlgCtrlID(w) == s->id && IsWindowVisible(w)) s->found.push_back(w);
  return TRUE;
}

std::string WindowText(HWND w) {
  wchar_t buf[512] = {};
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &len))
    return "<hung>";
  return Narrow(std::wstring_view(buf, len));
}

HWND FindOwnedBox(HWND owner, const wchar_t* caption) {
  BoxSearch s{0, caption, nullptr};
  GetWindowThreadProcessId(owner, &s.pid);
  EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> a;
  for (int i = 1; i < argc; ++i) a.push_back(Narrow(argv[i]));
  if (a.empty()) return 2;
  const std::string& cmd = a[0];
  if (cmd == "wait-window" && a.size() == 2) {
    return WaitFor(std::atol(a[1].c_str()), [] { return MainWindow() != nullptr; }) ? 0 : 1;
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
    for (HWND w : t.found) Print(WindowText(w));
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
    Print(WindowText(GetDlgItem(box, 0xFFFF)));  // the message box's text
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
    for (HWND w : s.found) Print(WindowText(w));
    return 0;
  }
  if (cmd == "placement" && a.size() == 1) {
    Print(std::string(IsIconic(main) ? "iconic" : "normal") + (GetForegroundWindow() == main ? " front" : " behind"));
    return 0;
  }
  if (cmd == "click" && a.size() == 2) {
    HWND button = GetDlgItem(main, std::atoi(a[1].c_str()));
    DWORD_PTR ignored = 0;
    return button && SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) ? 0 : 1;
  }
  if (cmd == "rect" && a.size() == 2) {
    SameId s{main, std::atoi(a[1].c_str()), {}};
    EnumChildWindows(main, CollectSameId, reinterpret_cast<LPARAM>(&s));
    if (s.found.empty()) return 1;
    RECT r{};
    GetWindowRect(s.found.front(), &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    Print(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
          std::to_string(r.bottom));
    return 0;
  }
  Print("bad arguments");
  return 2;
}
