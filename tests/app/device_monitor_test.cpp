#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "app/device_monitor.h"

namespace dockline::app {
namespace {

struct RecordingView : MonitorView {
  std::vector<std::string> events;
  void SetFreeSpaceText(const std::string& t) override { events.push_back("text " + t); }
  void SetDevicePresent(bool p) override { events.push_back(p ? "lamp on" : "lamp off"); }
  void ShowLocalList() override { events.push_back("local list"); }
};

struct FakeSystem {
  char letter = 0;
  std::optional<std::uint64_t> free = 0;
  MonitorServices services() {
    return {[this] { return letter; }, [this](char) { return free; }, {}};
  }
};

TEST(FreeSpaceText, ShowsWholeKilobytesOfA64BitCount) {
  EXPECT_EQ(FreeSpaceText(std::nullopt), "剩余空间：0(KB)");
  EXPECT_EQ(FreeSpaceText(1023), "剩余空间：0(KB)");
  EXPECT_EQ(FreeSpaceText(1024), "剩余空间：1(KB)");
  // Beyond 2 and 4 GiB the count is not cut to 32 bits.
  EXPECT_EQ(FreeSpaceText(5ull * 1024 * 1024 * 1024), "剩余空间：5242880(KB)");
  EXPECT_EQ(FreeSpaceText(~0ull), "剩余空间：18014398509481983(KB)");
}

TEST(DeviceMonitor, PlugAndPullFollowTheDevice) {
  SharedState state;
  RecordingView view;
  FakeSystem sys;
  DeviceMonitor monitor(state, view, sys.services());

  monitor.Poll();  // nothing attached at start: the text once, no lamp change
  EXPECT_EQ(view.events, (std::vector<std::string>{"text 剩余空间：0(KB)"}));
  EXPECT_FALSE(DeviceOnline(state));

  view.events.clear();
  sys.letter = 'G';
  sys.free = 2048;
  monitor.Poll();
  EXPECT_EQ(view.events, (std::vector<std::string>{"text 剩余空间：2(KB)", "lamp on"}));
  EXPECT_EQ(state.DriveLetter, 'G');
  EXPECT_TRUE(DeviceOnline(state));

  view.events.clear();
  monitor.Poll();  // nothing changed: nothing to tell the UI
  EXPECT_TRUE(view.events.empty());
  sys.free = 4096;  // free space moves during a copy
  monitor.Poll();
  EXPECT_EQ(view.events, (std::vector<std::string>{"text 剩余空间：4(KB)"}));

  view.events.clear();
  sys.letter = 0;
  monitor.Poll();
  EXPECT_EQ(view.events, (std::vector<std::string>{"text 剩余空间：0(KB)", "lamp off", "local list"}));
  EXPECT_EQ(state.DriveLetter, 0);
  EXPECT_FALSE(DeviceOnline(state));
}

TEST(DeviceMonitor, PullDuringADownloadLeavesThePageAlone) {
  SharedState state;
  RecordingView view;
  FakeSystem sys{'G', 8192};
  DeviceMonitor monitor(state, view, sys.services());
  monitor.Poll();
  state.DownloadRunning = 1;
  view.events.clear();
  sys.letter = 0;
  monitor.Poll();
  EXPECT_EQ(view.events, (std::vector<std::string>{"text 剩余空间：0(KB)", "lamp off"}));
}

TEST(DeviceMonitor, AnotherLetterStraightAwayIsAChangeButNotAPull) {
  SharedState state;
  RecordingView view;
  FakeSystem sys{'G', 0};
  DeviceMonitor monitor(state, view, sys.services());
  monitor.Poll();
  view.events.clear();
  sys.letter = 'H';
  monitor.Poll();
  EXPECT_EQ(view.events, (std::vector<std::string>{"lamp on"}));
  EXPECT_EQ(state.DriveLetter, 'H');
  EXPECT_TRUE(DeviceOnline(state));
}

TEST(DeviceMonitor, StopEndsTheThreadWithoutWaitingOutItsSleep) {
  SharedState state;
  RecordingView view;
  std::atomic<int> polls{0};
  MonitorServices services{[&] {
                             ++polls;
                             return char{0};
                           },
                           [](char) { return std::optional<std::uint64_t>{}; },
                           {}};
  // An hour between polls: Stop can only return if it cuts the sleep short.
  DeviceMonitor monitor(state, view, services, std::chrono::hours(1));
  monitor.Start();
  while (polls == 0) std::this_thread::yield();
  monitor.Stop();
  EXPECT_FALSE(monitor.running());
  EXPECT_EQ(polls, 1);
}

TEST(DeviceMonitor, AFailingPollIsReportedOnceAndTheWatchGoesOn) {
  SharedState state;
  RecordingView view;
  std::atomic<int> polls{0};
  std::mutex mutex;
  std::vector<std::string> reports;
  MonitorServices services{[&]() -> char {
                             if (++polls <= 3) throw std::runtime_error("bridge gone");
                             return 'G';
                           },
                           [](char) { return std::optional<std::uint64_t>{1024}; },
                           [&](const std::string& what) {
                             std::lock_guard lock(mutex);
                             reports.push_back(what);
                           }};
  DeviceMonitor monitor(state, view, services, std::chrono::milliseconds(1));
  monitor.Start();
  while (state.DriveLetter == 0) std::this_thread::yield();
  monitor.Stop();
  EXPECT_EQ(reports, (std::vector<std::string>{"device poll: bridge gone"}));
}

}  // namespace
}  // namespace dockline::app
