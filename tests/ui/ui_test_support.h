#pragma once
// Helpers shared by the framework and control tests, and the numbers of the
// test dialogs (ui_test.rc includes this file for them).
#define IDD_TEST_POPUP 9001

#ifndef RC_INVOKED
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/bounded_wait.h"
#include "ui/window.h"

namespace dockline::testing {

inline void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Pumps until `done` holds or the time is up; answers `done()`.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kWaitLimit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpMessages();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

// The visible dialog-class windows (boxes, file dialogs, popups) of this thread.
inline std::vector<HWND> ThreadDialogs() {
  std::vector<HWND> found;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      // CALLBACK: a 32-bit build passes it by stdcall, which a plain lambda is not.
      [](HWND w, LPARAM out) CALLBACK -> BOOL {
        wchar_t cls[16] = {};
        ::GetClassNameW(w, cls, 16);
        if (::IsWindowVisible(w) && std::wstring(cls) == L"#32770") reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Answers the dialogs the calling thread shows, from a thread timer that also
// ticks inside whichever modal loop is up: `look` sees each dialog once, then
// `answer` names the button to press (IDCANCEL: the close box; 0: not yet),
// until `limit` dialogs are answered.
class DialogAnswerer {
 public:
  using Look = std::function<void(HWND)>;
  using Answer = std::function<WPARAM(HWND)>;
  DialogAnswerer(std::size_t limit, Look look, Answer answer = [](HWND) { return static_cast<WPARAM>(IDOK); })
      : limit_(limit), look_(std::move(look)), answer_(std::move(answer)), previous_(current_) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 15, &Tick);
  }
  ~DialogAnswerer() {
    ::KillTimer(nullptr, timer_);
    current_ = previous_;
  }
  int Answered() const { return static_cast<int>(answered_.size()); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogAnswerer* self = current_;
    for (HWND box : self ? ThreadDialogs() : std::vector<HWND>{}) {
      if (self->answered_.size() >= self->limit_) return;
      auto has = [box](const std::vector<HWND>& v) { return std::find(v.begin(), v.end(), box) != v.end(); };
      if (has(self->answered_)) continue;
      if (!has(self->seen_)) {
        self->seen_.push_back(box);
        if (self->look_) self->look_(box);
      }
      const WPARAM button = self->answer_(box);
      if (button == 0) continue;
      self->answered_.push_back(box);
      if (button == IDCANCEL) ::PostMessageW(box, WM_CLOSE, 0, 0);
      else ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
  }
  static inline thread_local DialogAnswerer* current_ = nullptr;
  std::size_t limit_;
  Look look_;
  Answer answer_;
  DialogAnswerer* previous_;
  std::vector<HWND> seen_, answered_;
  UINT_PTR timer_ = 0;
};

// A visible top-level window of the framework, white like the program's
// windows, that hosts controls and pages as the main window would and records
// the commands and category selections it receives.
class TestHost : public ui::Window {
 public:
  std::vector<std::pair<int, int>> commands;  // (id, code)
  std::vector<std::pair<WPARAM, LPARAM>> categorySelections;

  bool Open(int width = 400, int height = 300) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    ui::RegisterWindowClass(L"DocklineControlHost", CS_HREDRAW | CS_VREDRAW,
                            static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    if (!Create(L"DocklineControlHost", "host", WS_POPUP | WS_CLIPCHILDREN, 0, RECT{40, 40, 40 + width, 40 + height},
                nullptr)) {
      return false;
    }
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(Handle());
    return true;
  }

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override {
    if (m.message == WM_COMMAND) commands.emplace_back(LOWORD(m.wParam), HIWORD(m.wParam));
    else if (m.message == WM_USER + 2) categorySelections.emplace_back(m.wParam, m.lParam);  // a sidebar button's
    else return false;
    result = 0;
    return true;
  }
};

}  // namespace dockline::testing
#endif
