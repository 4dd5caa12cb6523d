#pragma once
// Helpers shared by the framework and control tests, and the numbers of the
// test dialogs (ui_test.rc includes this file for them).
#define IDD_TEST_POPUP 9001
#define IDD_TEST_PAGE 9002
#define IDC_TEST_LIST 601
#define IDC_TEST_COMBO 602
#define IDC_TEST_CHECK 603

#ifndef RC_INVOKED
#include <windows.h>

#include <chrono>
#include <functional>

namespace dockline::testing {

inline void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Pumps until `done` holds or the time is up; answers `done()`.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpMessages();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

}  // namespace dockline::testing
#endif
