#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "app/device_monitor.h"
#include "support/bounded_wait.h"

namespace dockline::app {
namespace {

using dockline::testing::Await;
using dockline::testing::ResultWithin;

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
  // Beyond 2 and 4 GiB the count is not cut to 32 bits.
  EXPECT_EQ(FreeSpaceText(5ull * 1024 * 1024 * 1024), "剩余空间：5242880(KB)");
  EXPECT_EQ(FreeSpaceText(~0ull), "剩余空间：18014398509481983(KB)");
}

// One poll per step; each step tells what the UI is told and what is published.
TEST(DeviceMonitor, PollsReportOnlyChangesAndSendThePageBackOnlyWhenNoDownloadRuns) {
  struct Step {
    const char* name;
    char letter;
    std::uint64_t free;
    bool downloading;
    std::vector<std::string> events;
  };
  const std::vector<std::vector<Step>> runs = {
      {{"nothing attached at start: the text once, no lamp change", 0, 0, false, {"text 剩余空间：0(KB)"}},
       {"plugged in", 'G', 2048, false, {"text 剩余空间：2(KB)", "lamp on"}},
       {"nothing changed: nothing to tell", 'G', 2048, false, {}},
       {"free space moves during a copy", 'G', 4096, false, {"text 剩余空间：4(KB)"}},
       {"pulled", 0, 0, false, {"text 剩余空间：0(KB)", "lamp off", "local list"}}},
      {{"present", 'G', 8192, false, {"text 剩余空间：8(KB)", "lamp on"}},
       {"pulled during a download: the page is left alone", 0, 0, true, {"text 剩余空间：0(KB)", "lamp off"}}},
  };
  for (const auto& run : runs) {
    SharedState state;
    RecordingView view;
    FakeSystem sys;
    DeviceMonitor monitor(state, view, sys.services());
    for (const Step& step : run) {
      SCOPED_TRACE(step.name);
      sys.letter = step.letter;
      sys.free = step.free;
      state.DownloadRunning = step.downloading ? 1 : 0;
      view.events.clear();
      monitor.Poll();
      EXPECT_EQ(view.events, step.events);
      EXPECT_EQ(state.DriveLetter, step.letter);
      EXPECT_EQ(DeviceOnline(state), step.letter != 0);
    }
  }
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
  Await([&] { return polls > 0; }, "the first poll");
  auto stopped = std::async(std::launch::async, [&] { monitor.Stop(); });
  ResultWithin(stopped, "Stop, cutting the hour's sleep short,");
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
  Await([&] { return state.DriveLetter != 0; }, "the device, after the failing polls,");
  monitor.Stop();
  EXPECT_EQ(reports, (std::vector<std::string>{"device poll: bridge gone"}));
}

}  // namespace
}  // namespace dockline::app
