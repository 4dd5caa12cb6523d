#pragma once
// The values the program's threads share. Each has one writer at a time and
// is read between steps; atomics make every read see a whole, current value.

#include <atomic>
#include <cstdint>

namespace dockline::app {

constexpr std::int32_t kNoEntry = 17;  // no sidebar entry selected

struct SharedState {
  std::atomic<char> DriveLetter{0};                 // the device's letter, 0 when none
  std::atomic<std::int32_t> DeviceOnline{0};        // 1 while the device is present
  std::atomic<std::int32_t> DownloadRunning{0};
  std::atomic<std::int32_t> StopRequested{0};
  std::atomic<std::int32_t> OverwriteChoice{0};
  std::atomic<std::int32_t> CurrentCategory{0};
  std::atomic<std::int32_t> SelectionTracking{1};
  std::atomic<std::int32_t> MonitorStopRequested{0};
};

// The one instance of the running program.
SharedState& Shared();

}  // namespace dockline::app
