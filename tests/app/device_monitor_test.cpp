#include <gtest/gtest.h>

#include <atomic>
#include <functional>
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
    return {[this] { return letter; }, [this](char) { return free; }, {}, {}, {}};
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
      state.DownloadRunning = step.downloading;
      view.events.clear();
      monitor.Poll();
      EXPECT_EQ(view.events, step.events);
      EXPECT_EQ(state.DriveLetter, step.letter);
      EXPECT_EQ(DeviceOnline(state), step.letter != 0);
    }
  }
}

// While the device is known a poll asks only of its drive: whether it
// answers, and, each thorough period, whether it is still the device. All
// drives are scanned while none is known, when an answer is no, and after a
// change notice.
TEST(DeviceMonitor, AKnownDeviceIsCheckedCheaplyAndAllDrivesScannedOnlyWhenNeeded) {
  struct Fake {
    char letter = 0;   // where the device is
    bool answers = true;
    int scans = 0, presence = 0, identity = 0, space = 0;
  } fake;
  MonitorServices services{[&] { return ++fake.scans, fake.letter; },
                           [&](char) { return ++fake.space, std::optional<std::uint64_t>(4096); },
                           {},
                           [&](char l) { return ++fake.presence, fake.answers && l == fake.letter; },
                           [&](char l) { return ++fake.identity, l == fake.letter; }};
  struct Step {
    const char* name;
    std::function<void(DeviceMonitor&)> act;
    int scans, presence, identity, space;
    char published;
  };
  const std::vector<Step> steps = {
      {"nothing attached: a scan each poll", [](DeviceMonitor&) {}, 1, 0, 0, 0, 0},
      {"still nothing", [](DeviceMonitor&) {}, 2, 0, 0, 0, 0},
      {"plugged in: found by the scan, its space asked", [&](DeviceMonitor&) { fake.letter = 'G'; }, 3, 0, 0, 1, 'G'},
      {"known: only whether the drive answers", [](DeviceMonitor&) {}, 3, 1, 0, 1, 'G'},
      {"drives changed: a scan", [](DeviceMonitor& m) { m.DrivesChanged(); }, 4, 1, 0, 1, 'G'},
      {"known again", [](DeviceMonitor&) {}, 4, 2, 0, 1, 'G'},
      {"the drive stops answering: a scan, gone", [&](DeviceMonitor&) { fake.answers = false, fake.letter = 0; }, 5,
       3, 0, 1, 0},
  };
  SharedState state;
  RecordingView view;
  DeviceMonitor monitor(state, view, services, std::chrono::milliseconds(100), std::chrono::hours(1));
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act(monitor);
    monitor.Poll();
    EXPECT_EQ(fake.scans, step.scans);
    EXPECT_EQ(fake.presence, step.presence);
    EXPECT_EQ(fake.identity, step.identity);
    EXPECT_EQ(fake.space, step.space);
    EXPECT_EQ(state.DriveLetter, step.published);
  }

  // A thorough poll each time: the identity is asked, and a device now on
  // another letter is found by the scan that follows the no.
  fake = Fake{'G'};
  DeviceMonitor thorough(state, view, services);
  thorough.Poll();
  thorough.Poll();
  EXPECT_TRUE(fake.scans == 1 && fake.identity == 1 && fake.presence == 0 && fake.space == 2);
  fake.letter = 'H';
  view.events.clear();
  thorough.Poll();
  EXPECT_TRUE(fake.scans == 2 && fake.identity == 2);
  EXPECT_EQ(state.DriveLetter, 'H');
  EXPECT_EQ(view.events, (std::vector<std::string>{"lamp on"}));
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
                           {},
                           {},
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
                           },
                           {},
                           {}};
  DeviceMonitor monitor(state, view, services, std::chrono::milliseconds(1));
  monitor.Start();
  Await([&] { return state.DriveLetter != 0; }, "the device, after the failing polls,");
  monitor.Stop();
  EXPECT_EQ(reports, (std::vector<std::string>{"device poll: bridge gone"}));
}

}  // namespace
}  // namespace dockline::app
