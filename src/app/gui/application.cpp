#include "app/gui/application.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/gui/main_dialog.h"
#include "download/category_table.h"
#include "download/settings_location.h"
#include "platform/file_system.h"
#include "ui/failure.h"
#include "ui/message_box.h"
#include "ui/window.h"

namespace dockline::app {
namespace {

BOOL CALLBACK MarkedWindow(HWND hwnd, LPARAM out) {
  // A window without the property reads as 0; only the value 1 is the mark.
  if (reinterpret_cast<INT_PTR>(::GetPropW(hwnd, kInstanceMark)) == 1) {
    *reinterpret_cast<HWND*>(out) = hwnd;
    return FALSE;
  }
  return TRUE;
}

// OLE for the shell's requests (help, web site); the program runs on without it.
class OleSession {
 public:
  OleSession() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~OleSession() {
    if (ok_) ::OleUninitialize();
  }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

 private:
  bool ok_;
};

}  // namespace

HWND FindRunningInstance() {
  HWND found = nullptr;
  ::EnumWindows(MarkedWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

Application::Application()
    : ui_(dispatcher_.Poster()), programFolder_(platform::ProgramFolder()) {}

Application::~Application() {
  StopMonitor();
  dispatcher_.Stop();
}

int Application::Run() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  OleSession ole;

  if (HWND running = FindRunningInstance()) {
    ::ShowWindow(running, SW_SHOWNORMAL);
    ::SetForegroundWindow(running);
    return 0;
  }
  {
    MainDialog main(*this);
    main.DoModal(nullptr);
    // The window is gone; the monitor must not report to it any more.
    StopMonitor();
  }
  dispatcher_.Stop();
  return 0;
}

void Application::MarkAsRunning(HWND mainWindow) {
  ::SetPropW(mainWindow, kInstanceMark, reinterpret_cast<HANDLE>(1));
}

void Application::ClearRunningMark(HWND mainWindow) { ::RemovePropW(mainWindow, kInstanceMark); }

void Application::OpenSettings() {
  // The settings file lives beside the program unless that folder is
  // read-only; then in the user's own application-data folder.
  settings_.SetFile(download::SettingsFileForThisProgram());
  ui::MessageBoxNotifier notifier(ui_);
  settings_.EnsureFile(download::CategoryTable::labels(), notifier);
}

void Application::StartMonitor(MonitorView& view) {
  if (monitor_) return;
  MonitorServices services = SystemMonitorServices();
  services.reportFailure = [](const std::string& what) { ui::RecordFailureText("device monitor", what); };
  // Ten times a second only "does the drive still answer"; its boot sector
  // and its free space once a second. A cable pulled shows within a poll,
  // and a device swapped on the same letter comes with a change notice.
  monitor_ = std::make_unique<DeviceMonitor>(state_, view, std::move(services), std::chrono::milliseconds(100),
                                             std::chrono::milliseconds(1000));
  monitor_->Start();
}

void Application::StopMonitor() {
  // The monitor never waits on the UI thread, so this cannot deadlock.
  if (monitor_) monitor_->Stop();
  monitor_.reset();
}

}  // namespace dockline::app
