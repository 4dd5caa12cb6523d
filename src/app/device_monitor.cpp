#include "app/device_monitor.h"

#include "device/device_locator.h"
#include "platform/file_system.h"

namespace dockline::app {

std::string FreeSpaceText(std::optional<std::uint64_t> freeBytes) {
  const std::uint64_t kb = freeBytes.value_or(0) / 1024;
  return "剩余空间：" + std::to_string(kb) + "(KB)";
}

MonitorServices SystemMonitorServices() {
  return {[] { return device::FindDeviceDrive(); },
          [](char letter) { return platform::FreeBytes(std::string(1, letter) + ":\\"); },
          {}};
}

DeviceMonitor::DeviceMonitor(SharedState& state, MonitorView& view, MonitorServices services,
                             std::chrono::milliseconds period)
    : state_(state), view_(view), services_(std::move(services)), period_(period) {}

DeviceMonitor::~DeviceMonitor() { Stop(); }

void DeviceMonitor::Poll() {
  const char letter = services_.findDevice();
  state_.DriveLetter = letter;

  const std::string text = letter == 0 ? FreeSpaceText(std::nullopt) : FreeSpaceText(services_.freeBytes(letter));
  // The same text again would repaint nothing new; only a change goes to the UI.
  if (text != lastText_) {
    lastText_ = text;
    view_.SetFreeSpaceText(text);
  }

  if (letter != previousLetter_) {
    previousLetter_ = letter;
    const bool present = letter != 0;
    view_.SetDevicePresent(present);
    if (!present && state_.DownloadRunning == 0) view_.ShowLocalList();
  }
}

void DeviceMonitor::Start() {
  if (thread_.joinable()) return;
  {
    std::lock_guard lock(wakeMutex_);
    stopRequested_ = false;
  }
  thread_ = std::thread([this] { Run(); });
}

void DeviceMonitor::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(wakeMutex_);
    stopRequested_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void DeviceMonitor::Run() {
  bool failing = false;
  for (;;) {
    // Nothing may escape a thread entry, and one failed lookup must not end
    // the watch: the device may well be found on the next poll.
    std::string failure;
    try {
      Poll();
    } catch (const std::exception& e) {
      failure = e.what();
    } catch (...) {
      failure = "unknown exception";
    }
    if (failure.empty()) {
      failing = false;
    } else if (!failing) {
      failing = true;
      try {
        if (services_.reportFailure) services_.reportFailure("device poll: " + failure);
      } catch (...) {
      }
    }
    std::unique_lock lock(wakeMutex_);
    if (wake_.wait_for(lock, period_, [this] { return stopRequested_; })) break;
  }
}

}  // namespace dockline::app
