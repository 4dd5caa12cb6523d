#pragma once
// The two kinds of message box the program shows: the application message box
// (captioned with the program's name, owned by the main window if there is
// one) and the window message box (owner, caption and buttons given). Texts
// are UTF-8; the W API shows them.
//
// A message box runs a modal loop on the calling thread and disables its
// owner. A worker thread must not show one owned by a window of the UI thread
// while that thread may be waiting for the worker; MessageBoxNotifier shows
// the box on the UI thread instead (ui_thread.h).
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/notifier.h"
#include "ui/ui_thread.h"

namespace dockline::ui {

// The process-wide main-window reference: owner of application message boxes.
void SetMainWindow(HWND hwnd);
HWND MainWindow();

// The executable's base name without its extension ("DOCKLINE").
std::string ApplicationName();

// Answers the button chosen (IDOK, IDYES...), 0 on failure.
int AppMessageBox(std::string_view text, UINT type = MB_OK);
int WindowMessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type = MB_OK);

// Shows each message as an application message box. On a thread other than
// the UI thread the box is shown by the UI thread and the caller waits for it
// to be closed; when the UI side has shut down, the box is shown by the
// calling thread without an owner, so that no message is lost.
class MessageBoxNotifier : public platform::Notifier {
 public:
  explicit MessageBoxNotifier(UiPoster ui) : ui_(std::move(ui)) {}
  void ShowMessage(std::string_view utf8) override;

 private:
  UiPoster ui_;
};

}  // namespace dockline::ui
