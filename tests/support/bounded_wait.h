#pragma once
// Every wait in a test ends: a fault that keeps something from happening
// fails the test, naming what never came, instead of hanging the suite.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <source_location>
#include <string_view>
#include <thread>

namespace dockline::testing {

inline constexpr std::chrono::seconds kWaitLimit{10};

// A thread still stuck when its wait ran out can be neither joined nor left
// running over the test's objects: the failure is told and the test program
// ends here.
[[noreturn]] inline void GiveUp(std::string_view what, std::source_location at = std::source_location::current()) {
  ADD_FAILURE_AT(at.file_name(), static_cast<int>(at.line()))
      << ::testing::UnitTest::GetInstance()->current_test_info()->name() << ": " << what << " did not come within "
      << kWaitLimit.count() << " s";
  std::fflush(stdout);
  std::_Exit(1);
}

// Polls `done` until it holds.
inline void Await(const std::function<bool()>& done, std::string_view what,
                  std::source_location at = std::source_location::current()) {
  const auto end = std::chrono::steady_clock::now() + kWaitLimit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) GiveUp(what, at);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// The result of `f`, which must come within the limit.
template <class T>
T ResultWithin(std::future<T>& f, std::string_view what, std::source_location at = std::source_location::current()) {
  if (f.wait_for(kWaitLimit) != std::future_status::ready) GiveUp(what, at);
  return f.get();
}

}  // namespace dockline::testing
