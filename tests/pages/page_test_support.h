#pragma once
// A visible top-level window that hosts a page as the main window would, and
// records the help requests that reach it.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "ui/ui_test_support.h"
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
    if (!Create(L"DocklinePageHost", "host", WS_POPUP | WS_CLIPCHILDREN, 0, RECT{20, 20, 629, 550}, nullptr))
      return false;
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

// A list view's column title and width.
inline std::pair<std::string, int> Column(HWND list, int index) {
  wchar_t title[64] = {};
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH;
  c.pszText = title;
  c.cchTextMax = 64;
  if (!::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&c))) return {};
  return {platform::Narrow(title), c.cx};
}

inline int ColumnCount(HWND list) {
  return static_cast<int>(::SendMessageW(reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0)),
                                         HDM_GETITEMCOUNT, 0, 0));
}

inline RECT RectIn(HWND parent, HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

inline bool SameRect(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

// Runs `act` on the thread's next timer tick, inside whatever modal loop is
// running by then (a file dialog, a message box).
class WhenModal {
 public:
  explicit WhenModal(std::function<bool()> act) : act_(std::move(act)) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 50, &WhenModal::Tick);
  }
  ~WhenModal() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Done() const { return done_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_ && !current_->done_ && !current_->busy_) {
      current_->busy_ = true;
      current_->done_ = current_->act_();
      current_->busy_ = false;
    }
  }
  static inline WhenModal* current_ = nullptr;
  std::function<bool()> act_;
  UINT_PTR timer_ = 0;
  bool done_ = false;
  bool busy_ = false;
};

// The visible top-level dialog window of this thread other than `except`.
inline HWND FindThreadDialog(HWND except = nullptr) {
  struct Search {
    HWND except;
    HWND found;
  } s{except, nullptr};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        wchar_t cls[32] = {};
        ::GetClassNameW(w, cls, 32);
        if (w != s->except && ::IsWindowVisible(w) && std::wstring(cls) == L"#32770") {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace dockline::testing
