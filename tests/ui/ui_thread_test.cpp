#include "ui/ui_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ui/ui_test_support.h"
#include "ui/worker.h"

namespace dockline::ui {
namespace {

using dockline::testing::PumpUntil;
using namespace std::chrono_literals;

TEST(UiPost, WorkerTasksRunOnTheUiThreadInOrderAndCallsWaitForTheirResult) {
  UiDispatcher dispatcher;
  ASSERT_TRUE(dispatcher.IsValid());
  UiPoster poster = dispatcher.Poster();
  std::vector<int> order;
  std::atomic<DWORD> ranOn{0};
  std::optional<int> answer;
  bool threw = true, later = false;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) {
      EXPECT_TRUE(poster.Post([&order, &ranOn, i] {
        order.push_back(i);
        ranOn = ::GetCurrentThreadId();
      }));
    }
    answer = poster.Invoke([&] { return static_cast<int>(order.size()); });  // after the posted ones
    threw = poster.Call([] { throw std::runtime_error("no"); });
    later = poster.Call([] {});
    done = true;
  });
  if (!PumpUntil([&] { return done.load(); })) testing::GiveUp("the worker's calls");
  worker.join();
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), order);
  EXPECT_EQ(::GetCurrentThreadId(), ranOn.load());
  EXPECT_EQ(std::optional<int>(5), answer);
  EXPECT_FALSE(threw);  // a throwing task counts as not run, and later ones still run
  EXPECT_TRUE(later);
  EXPECT_EQ(std::optional<int>(9), poster.Invoke([] { return 9; }));  // inline on the UI thread
}

TEST(UiPost, RefusedAndDroppedTasksAreFreedUnrun) {
  auto token = std::make_shared<int>(1);
  bool ran = false;
  UiPoster poster;
  EXPECT_FALSE(poster.Post([token] {}));  // never had a dispatcher
  {
    UiDispatcher dispatcher;
    poster = dispatcher.Poster();
    ASSERT_TRUE(poster.Post([token, &ran] { ran = true; }));  // queued, then dropped with the dispatcher
    EXPECT_EQ(2, token.use_count());
  }
  dockline::testing::PumpMessages();
  EXPECT_FALSE(ran);
  EXPECT_FALSE(poster.Post([token] {}));
  EXPECT_EQ(1, token.use_count());
}

// The case that must never hang: the UI thread stops pumping (it is shutting
// down, perhaps waiting for this very worker) while a worker waits for it.
TEST(UiShutdown, WaitingWorkerIsReleasedAndLaterCallsRefusedWhenTheUiStopsOrGoes) {
  for (bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "dispatcher destroyed" : "Stop()");
    auto dispatcher = std::make_unique<UiDispatcher>();
    UiPoster poster = dispatcher->Poster();
    std::atomic<bool> calling{false}, ran{false};
    auto waiting = std::async(std::launch::async, [&] {
      calling = true;
      return poster.Call([&] { ran = true; });
    });
    testing::Await([&] { return calling.load(); }, "the worker's call");
    std::this_thread::sleep_for(50ms);  // let it queue and wait; this thread does not pump
    if (destroy) dispatcher.reset();
    else dispatcher->Stop();
    EXPECT_FALSE(testing::ResultWithin(waiting, "the waiting worker's release"));
    dockline::testing::PumpMessages();
    EXPECT_FALSE(ran.load());
    auto later = std::async(std::launch::async, [&] { return poster.Invoke([] { return 1; }); });
    EXPECT_FALSE(testing::ResultWithin(later, "a later call's refusal").has_value());
    EXPECT_FALSE(poster.IsAccepting());
  }
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
  if (!PumpUntil([&] { return done.load(); })) testing::GiveUp("the call whose task stopped the dispatcher");
  worker.join();
  EXPECT_TRUE(called);
}

// A worker runs one piece of work: its stop, its end and its event belong to
// that work, so a start after it is refused, not run on stale state.
TEST(Worker, RunsOnePieceOfWorkAndRefusesAStartAfterIt) {
  UiDispatcher dispatcher;
  Worker worker(dispatcher.Poster(), "出错：");
  std::atomic<int> runs{0};
  ASSERT_TRUE(worker.Start([&](std::stop_token) { ++runs; }));
  worker.Join();
  EXPECT_FALSE(worker.Start([&](std::stop_token) { ++runs; }));
  worker.Join();
  EXPECT_TRUE(worker.Finished());
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace dockline::ui
