#include "app/device_monitor.h"

#include <algorithm>

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
          {},
          [](char letter) { return platform::IsDirectory(std::string(1, letter) + ":\\"); },
          [](char letter) { return device::IsStillDevice(letter); }};
}

DeviceMonitor::DeviceMonitor(SharedState& state, MonitorView& view, MonitorServices services,
                             std::chrono::milliseconds period, std::chrono::milliseconds thoroughPeriod)
    : state_(state), view_(view), services_(std::move(services)), period_(period), thoroughPeriod_(thoroughPeriod) {}

DeviceMonitor::~DeviceMonitor() { Stop(); }

void DeviceMonitor::Poll() {
  // The cheap questions while the device is known; the scan of every drive
  // when it is not, when an answer is no, or when drives changed.
  const auto now = std::chrono::steady_clock::now();
  const bool thorough = now - thoroughAsked_ >= thoroughPeriod_;
  const bool rescan = rescan_.exchange(false);
  bool known = false;
  if (previousLetter_ != 0 && !rescan && services_.driveAnswers && services_.stillTheDevice)
    known = thorough ? services_.stillTheDevice(previousLetter_) : services_.driveAnswers(previousLetter_);
  const char letter = known ? previousLetter_ : services_.findDevice();
  state_.DriveLetter = letter;

  std::string text;
  if (letter == 0) {
    text = FreeSpaceText(std::nullopt);
  } else if (letter != previousLetter_ || thorough) {
    thoroughAsked_ = now;
    text = FreeSpaceText(services_.freeBytes(letter));
  }
  // The same text again would repaint nothing new; only a change goes to the UI.
  if (!text.empty() && text != lastText_) {
    lastText_ = text;
    view_.SetFreeSpaceText(text);
  }

  if (letter != previousLetter_) {
    previousLetter_ = letter;
    const bool present = letter != 0;
    view_.SetDevicePresent(present);
    if (!present && !DownloadRunning(state_)) view_.ShowLocalList();
  }
}

void DeviceMonitor::Start() {
  if (thread_.joinable()) return;
  stopRequested_ = false;
  thread_ = std::thread([this] { Run(); });
}

void DeviceMonitor::Stop() {
  if (!thread_.joinable()) return;
  stopRequested_ = true;
  thread_.join();
}

void DeviceMonitor::Run() {
  bool failing = false;
  while (!stopRequested_) {
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
    // A plain sleep, in slices so that a stop is seen soon: under Wine a
    // timed wait on a condition variable costs the server twice a poll, a
    // sleep once, and the idle program pays that ten times a second.
    constexpr auto kSlice = std::chrono::milliseconds(100);
    for (auto left = period_; left.count() > 0 && !stopRequested_; left -= kSlice)
      std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(kSlice)));
  }
}

}  // namespace dockline::app
