// Start-up: hand over to a copy that is already running, or run the main window.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/gui/main_dialog.h"
#include "ui/ui_thread.h"
#include "ui/window.h"

namespace {

BOOL CALLBACK MarkedWindow(HWND hwnd, LPARAM out) {
  if (reinterpret_cast<INT_PTR>(::GetPropW(hwnd, dockline::app::kInstanceMark)) == 1) {
    *reinterpret_cast<HWND*>(out) = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A running copy carries the mark on its main window.
HWND FindRunningInstance() {
  HWND found = nullptr;
  ::EnumWindows(MarkedWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Placeholders of the main window's template: their classes must exist
// before the template is made into windows.
void RegisterPlaceholderClasses() {
  dockline::ui::RegisterWindowClass(L"TestControl");
  dockline::ui::RegisterWindowClass(L"EditClass");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    const HRESULT ole = ::OleInitialize(nullptr);  // the program runs on without it

    if (HWND running = FindRunningInstance()) {
      ::ShowWindow(running, SW_SHOWNORMAL);
      ::SetForegroundWindow(running);
      if (SUCCEEDED(ole)) ::OleUninitialize();
      return 0;
    }

    RegisterPlaceholderClasses();
    dockline::ui::UiDispatcher dispatcher;
    {
      dockline::app::MainDialog main(dispatcher.Poster());
      main.DoModal(nullptr);
      dispatcher.Stop();
    }
    if (SUCCEEDED(ole)) ::OleUninitialize();
  } catch (...) {
  }
  return 0;
}
