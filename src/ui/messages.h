#pragma once
// Every private window message of the program, in one place and in the WM_APP
// range: WM_USER numbers collide with the messages of the dialog manager and
// of the common controls. (WM_USER+1 and WM_USER+2 to the main window are the
// program's published interface and stay where they are; see app/.)
#include <windows.h>

namespace dockline::ui {

// Wakes the UI-thread dispatcher: run the queued tasks (ui_thread.h).
inline constexpr UINT kRunUiTasks = WM_APP + 1;

// Notifications a parent reflects back to the child control they concern, so
// that an owner-drawn control draws itself and a button can handle its own
// click (window.h). The reflected number is this base plus the original one.
inline constexpr UINT kReflectBase = WM_APP + 0x2000;
constexpr UINT Reflected(UINT message) { return kReflectBase + message; }

}  // namespace dockline::ui
