#pragma once
// The device monitor: about ten times a second it asks where the device is,
// publishes the answer (DriveLetter) and keeps the status row current. It
// never touches a window itself: the view it is given hands every change to
// the UI thread and returns at once. A poll that fails (throws) is reported
// once per run of failures, and polling goes on.
//
// What a poll asks depends on what is known. While no device is present,
// every poll scans all drives. While one is, a poll only asks whether its
// drive still answers (its root folder), and once every thoroughPeriod
// whether it is still the device (its boot sector) and how much space is
// free. The full scan runs again when either answer is no, and at the next
// poll when the system says drives came or went (DrivesChanged, from
// WM_DEVICECHANGE): a device swapped for another on the same letter always
// goes through that notice.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
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
  // Whether the drive found before still answers ("X:\" is there) and is
  // still the device (IsStillDevice). Without both, every poll is a full scan.
  std::function<bool(char)> driveAnswers;
  std::function<bool(char)> stillTheDevice;
};
MonitorServices SystemMonitorServices();

class DeviceMonitor {
 public:
  DeviceMonitor(SharedState& state, MonitorView& view, MonitorServices services,
                std::chrono::milliseconds period = std::chrono::milliseconds(100),
                std::chrono::milliseconds thoroughPeriod = std::chrono::milliseconds(0));
  ~DeviceMonitor();  // stops and joins
  DeviceMonitor(const DeviceMonitor&) = delete;
  DeviceMonitor& operator=(const DeviceMonitor&) = delete;

  // One poll: locate, publish, report. Public so that tests drive it step by step.
  void Poll();

  // Drives came or went (any thread): the next poll scans them all.
  void DrivesChanged() { rescan_ = true; }

  void Start();
  // Asks the thread to end and waits for it: at most the lookup under way
  // and a tenth of a second of the sleep between polls.
  void Stop();
  bool running() const { return thread_.joinable(); }

 private:
  void Run();

  SharedState& state_;
  MonitorView& view_;
  MonitorServices services_;
  std::chrono::milliseconds period_;
  std::chrono::milliseconds thoroughPeriod_;
  std::chrono::steady_clock::time_point thoroughAsked_;
  std::atomic<bool> rescan_{false};
  char previousLetter_ = 0;
  std::string lastText_;
  std::thread thread_;
  std::atomic<bool> stopRequested_{false};
};

}  // namespace dockline::app
