#pragma once
// The device monitor: about ten times a second it asks the locator where the
// device is, publishes the answer (DriveLetter) and keeps the status row
// current. It never touches a window itself: the view it is given hands every
// change to the UI thread and returns at once. A poll that fails (throws) is
// reported once per run of failures, and polling goes on.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/shared_state.h"

namespace dockline::app {

// "剩余空间：%d(KB)", the free bytes shown whole in kilobytes (truncated);
// no device, or a failed query, reads 0.
std::string FreeSpaceText(std::optional<std::uint64_t> freeBytes);

class MonitorView {
 public:
  virtual ~MonitorView() = default;
  virtual void SetFreeSpaceText(const std::string& utf8) = 0;
  // Switches the state lamp, shows the free-space text and repaints the lamp.
  virtual void SetDevicePresent(bool present) = 0;
  // Sends the download page back to its PC list.
  virtual void ShowLocalList() = 0;
};

struct MonitorServices {
  std::function<char()> findDevice;                                  // FindDeviceDrive
  std::function<std::optional<std::uint64_t>(char)> freeBytes;       // bytes free on "X:\"
  std::function<void(const std::string&)> reportFailure;             // may be empty
};
MonitorServices SystemMonitorServices();

class DeviceMonitor {
 public:
  DeviceMonitor(SharedState& state, MonitorView& view, MonitorServices services,
                std::chrono::milliseconds period = std::chrono::milliseconds(100));
  ~DeviceMonitor();  // stops and joins
  DeviceMonitor(const DeviceMonitor&) = delete;
  DeviceMonitor& operator=(const DeviceMonitor&) = delete;

  // One poll: locate, publish, report. Public so that tests drive it step by step.
  void Poll();

  void Start();
  // Asks the thread to end and waits for it: at most the lookup under way,
  // since the sleep between polls is cut short.
  void Stop();
  bool running() const { return thread_.joinable(); }

 private:
  void Run();

  SharedState& state_;
  MonitorView& view_;
  MonitorServices services_;
  std::chrono::milliseconds period_;
  char previousLetter_ = 0;
  std::string lastText_;
  std::thread thread_;
  std::mutex wakeMutex_;
  std::condition_variable wake_;
  bool stopRequested_ = false;  // under wakeMutex_
};

}  // namespace dockline::app
