#include "ui/ui_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ui_test_support.h"

namespace dockline::ui {
namespace {

using dockline::testing::PumpUntil;
using namespace std::chrono_literals;

TEST(UiPost, TasksFromAWorkerRunOnTheUiThreadInOrder) {
  UiDispatcher dispatcher;
  ASSERT_TRUE(dispatcher.IsValid());
  const DWORD uiThread = ::GetCurrentThreadId();
  std::vector<int> order;
  std::atomic<DWORD> ranOn{0};
  UiPoster poster = dispatcher.Poster();
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) {
      EXPECT_TRUE(poster.Post([&order, &ranOn, i] {
        order.push_back(i);
        ranOn = ::GetCurrentThreadId();
      }));
    }
  });
  worker.join();
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 5; }));
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), order);
  EXPECT_EQ(uiThread, ranOn.load());
}

TEST(UiPost, RefusedPostFreesTheTask) {
  auto token = std::make_shared<int>(1);
  UiPoster poster;
  {
    UiDispatcher dispatcher;
    poster = dispatcher.Poster();
    dispatcher.Stop();
    EXPECT_FALSE(poster.Post([token] {}));
    EXPECT_EQ(1, token.use_count());
  }
  EXPECT_FALSE(poster.Post([token] {}));  // dispatcher gone
  EXPECT_EQ(1, token.use_count());
  EXPECT_FALSE(UiPoster().Post([token] {}));  // never had one
  EXPECT_EQ(1, token.use_count());
}

TEST(UiPost, QueuedTasksAreFreedUnrunWhenTheDispatcherGoes) {
  auto token = std::make_shared<int>(1);
  bool ran = false;
  {
    UiDispatcher dispatcher;
    ASSERT_TRUE(dispatcher.Poster().Post([token, &ran] { ran = true; }));
    EXPECT_EQ(2, token.use_count());
  }
  dockline::testing::PumpMessages();
  EXPECT_FALSE(ran);
  EXPECT_EQ(1, token.use_count());
}

TEST(UiCall, WorkerWaitsForTheResult) {
  UiDispatcher dispatcher;
  UiPoster poster = dispatcher.Poster();
  std::atomic<bool> done{false};
  std::optional<int> answer;
  bool called = false;
  std::thread worker([&] {
    answer = poster.Invoke([] { return 6 * 7; });
    called = poster.Call([] {});
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(std::optional<int>(42), answer);
  EXPECT_TRUE(called);
}

TEST(UiCall, OnTheUiThreadItRunsInline) {
  UiDispatcher dispatcher;
  EXPECT_EQ(std::optional<int>(5), dispatcher.Poster().Invoke([] { return 5; }));
}

TEST(UiCall, ThrowingTaskCountsAsNotRunAndLaterTasksStillRun) {
  UiDispatcher dispatcher;
  UiPoster poster = dispatcher.Poster();
  std::atomic<int> stage{0};
  bool first = true, second = false;
  std::thread worker([&] {
    first = poster.Call([] { throw std::runtime_error("no"); });
    second = poster.Call([] {});
    stage = 1;
  });
  ASSERT_TRUE(PumpUntil([&] { return stage.load() == 1; }));
  worker.join();
  EXPECT_FALSE(first);
  EXPECT_TRUE(second);
}

// The case that must never hang: the UI thread stops pumping (it is shutting
// down, perhaps waiting for this very worker) while a worker waits for it.
TEST(UiShutdown, WaitingWorkerIsReleasedWhenTheUiStops) {
  UiDispatcher dispatcher;
  UiPoster poster = dispatcher.Poster();
  std::atomic<bool> ran{false};
  std::atomic<bool> calling{false};
  auto result = std::async(std::launch::async, [&] {
    calling = true;
    return poster.Call([&] { ran = true; });
  });
  while (!calling) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(50ms);  // let it queue and wait; the UI thread does not pump
  dispatcher.Stop();
  ASSERT_EQ(std::future_status::ready, result.wait_for(5s));
  EXPECT_FALSE(result.get());
  dockline::testing::PumpMessages();
  EXPECT_FALSE(ran.load());
  EXPECT_FALSE(poster.Call([] {}));   // refused at once from now on
  EXPECT_FALSE(poster.Invoke([] { return 1; }).has_value());
}

TEST(UiShutdown, DestroyingTheDispatcherReleasesWaitersAndLaterCalls) {
  auto dispatcher = std::make_unique<UiDispatcher>();
  UiPoster poster = dispatcher->Poster();
  std::atomic<bool> calling{false};
  auto result = std::async(std::launch::async, [&] {
    calling = true;
    return poster.Invoke([] { return 1; });
  });
  while (!calling) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(50ms);
  dispatcher.reset();
  ASSERT_EQ(std::future_status::ready, result.wait_for(5s));
  EXPECT_FALSE(result.get().has_value());

  auto later = std::async(std::launch::async, [&] { return poster.Call([] {}); });
  ASSERT_EQ(std::future_status::ready, later.wait_for(5s));
  EXPECT_FALSE(later.get());
  EXPECT_FALSE(poster.IsAccepting());
}

TEST(UiShutdown, ATaskAlreadyRunningIsWaitedForSinceItMayUseTheCallersData) {
  UiDispatcher dispatcher;
  UiPoster poster = dispatcher.Poster();
  std::atomic<bool> done{false};
  bool called = false;
  std::thread worker([&] {
    int callersData = 0;
    called = poster.Call([&] {
      dispatcher.Stop();  // shutdown begins while this task runs
      ::Sleep(30);
      callersData = 1;  // still valid: the caller has not returned
    });
    EXPECT_EQ(1, callersData);
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_TRUE(called);
}

TEST(UiDispatcherProcess, TheFirstLiveDispatcherIsTheProcesses) {
  EXPECT_FALSE(UiDispatcher::Process().IsAccepting());
  {
    UiDispatcher first;
    EXPECT_TRUE(UiDispatcher::Process().IsAccepting());
    EXPECT_TRUE(UiDispatcher::Process().IsOnUiThread());
  }
  EXPECT_FALSE(UiDispatcher::Process().IsAccepting());
}

}  // namespace
}  // namespace dockline::ui
