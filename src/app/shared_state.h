#pragma once
// The values the program's threads share. Each has one writer at a time and
// is read between steps; atomics make every read see a whole, current value.
// The application object owns the one instance and hands it to whoever needs
// it; there is no process-wide copy.

#include <atomic>
#include <cstdint>

namespace dockline::app {

// Sidebar entries: 0..8 the content categories, 9..13 the organizer entries.
inline constexpr int kNoEntry = 17;  // no sidebar entry selected

struct SharedState {
  // The device's drive letter, 0 while no device is attached. The one fact
  // about the device's presence: no reader can see "online" without a letter.
  std::atomic<char> DriveLetter{0};
  // From a download's first ticked row to its end; the window is not closed under it.
  std::atomic<bool> DownloadRunning{false};
  std::atomic<std::int32_t> CurrentCategory{0};    // the sidebar entry chosen last
};

inline bool DeviceOnline(const SharedState& state) { return state.DriveLetter.load() != 0; }
inline bool DownloadRunning(const SharedState& state) { return state.DownloadRunning.load(); }

}  // namespace dockline::app
