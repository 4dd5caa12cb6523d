#pragma once
// The application object: what lives as long as the program runs on its UI
// thread. It owns the UI dispatcher, the shared state, the settings store and
// the device monitor, and hands them to the main window; start-up (Run)
// decides between handing over to a copy already running and running the
// main window until it is closed.
#include <windows.h>

#include <memory>
#include <string>

#include "app/device_monitor.h"
#include "app/shared_state.h"
#include "download/download_path_store.h"
#include "ui/ui_thread.h"

namespace dockline::app {

// The single-instance mark: this window property, value 1, on the main window.
inline constexpr wchar_t kInstanceMark[] = L"6170dockline";

// The top-level window carrying the mark with the value exactly 1, or null.
HWND FindRunningInstance();

class Application {
 public:
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Start-up. Answers the process exit code.
  int Run();

  const ui::UiPoster& Ui() const { return ui_; }
  SharedState& State() { return state_; }
  download::DownloadPathStore& Settings() { return settings_; }
  // The single-instance mark on the main window, for FindRunningInstance in
  // a copy started later; cleared as the window goes.
  void MarkAsRunning(HWND mainWindow);
  void ClearRunningMark(HWND mainWindow);
  // Points the settings store at its file and makes the file when it is
  // missing; what goes wrong is told in a message box. Called once the main
  // window exists, before anything reads a setting.
  void OpenSettings();
  // The program's folder with its trailing backslash.
  const std::string& ProgramFolder() const { return programFolder_; }

  // The monitor reports to `view` until StopMonitor, which waits for its
  // thread; the view must outlive that.
  void StartMonitor(MonitorView& view);
  void StopMonitor();
  // The system says drives came or went: the monitor scans them all at its next poll.
  void DrivesChanged() {
    if (monitor_) monitor_->DrivesChanged();
  }

 private:
  ui::UiDispatcher dispatcher_;
  ui::UiPoster ui_;
  SharedState state_;
  download::DownloadPathStore settings_;
  std::string programFolder_;
  std::unique_ptr<DeviceMonitor> monitor_;
};

}  // namespace dockline::app
