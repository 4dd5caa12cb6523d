#pragma once
// A visible top-level window that hosts a page as the main window would and
// counts the help requests reaching it, and helpers to read list views and
// to answer the modal dialogs a page opens.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "ui/window.h"

namespace dockline::testing {

class PageHost : public ui::Window {
 public:
  int helpRequests = 0;
  bool Open() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    ui::RegisterWindowClass(L"DocklinePageHost", CS_HREDRAW | CS_VREDRAW,
                            static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    if (!Create(L"DocklinePageHost", "host", WS_POPUP, 0, RECT{20, 20, 629, 550}, nullptr)) return false;
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    return true;
  }

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override {
    if (m.message != WM_HELP) return false;
    ++helpRequests;
    result = TRUE;
    return true;
  }
};

// A list view's column title and width; the number of its columns.
inline std::pair<std::string, int> Column(HWND list, int index) {
  wchar_t title[64] = {};
  LVCOLUMNW c{LVCF_TEXT | LVCF_WIDTH, 0, 0, title, 64};
  if (!::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&c))) return {};
  return {platform::Narrow(title), c.cx};
}
inline int ColumnCount(HWND list) {
  return static_cast<int>(::SendMessageW(ListView_GetHeader(list), HDM_GETITEMCOUNT, 0, 0));
}

inline bool SameRect(HWND a, HWND b) {
  RECT ra{}, rb{};
  ::GetWindowRect(a, &ra);
  ::GetWindowRect(b, &rb);
  return ::EqualRect(&ra, &rb) != FALSE;
}

// The visible top-level dialog of this thread (file dialog, box, popup).
inline HWND FindThreadDialog() {
  HWND found = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM out) -> BOOL {
        wchar_t cls[16] = {};
        ::GetClassNameW(w, cls, 16);
        if (!::IsWindowVisible(w) || std::wstring(cls) != L"#32770") return TRUE;
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Answers the modal dialog the code under test opens next, from inside its
// modal loop (a thread timer ticks there too): `look` sees the dialog, then
// `text` goes into the first of `boxes` it has and `button` is pressed.
class AnswerModal {
 public:
  using Look = std::function<void(HWND)>;
  AnswerModal(std::initializer_list<int> boxes, std::wstring text, int button, Look look = {})
      : boxes_(boxes), text_(std::move(text)), button_(button), look_(std::move(look)) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 50, &AnswerModal::Tick);
  }
  ~AnswerModal() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Done() const { return done_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = current_ && !current_->done_ ? FindThreadDialog() : nullptr;
    if (!dialog) return;
    AnswerModal& a = *current_;
    a.done_ = true;
    if (a.look_) a.look_(dialog);
    for (int id : a.boxes_) {
      if (HWND box = ::GetDlgItem(dialog, id)) {
        ::SetWindowTextW(box, a.text_.c_str());
        break;
      }
    }
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(a.button_, BN_CLICKED), 0);
  }
  static inline AnswerModal* current_ = nullptr;
  std::vector<int> boxes_;
  std::wstring text_;
  int button_;
  Look look_;
  UINT_PTR timer_ = 0;
  bool done_ = false;
};

}  // namespace dockline::testing
