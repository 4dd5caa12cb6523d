#include "ui/failure.h"

#include <windows.h>

#include <exception>
#include <mutex>

#include "platform/win32/wide.h"

namespace dockline::ui {
namespace {

std::mutex gMutex;
int gCount = 0;
std::string gLast;

std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

}  // namespace

void RecordFailureText(std::string_view where, std::string_view what) noexcept {
  try {
    std::string text = "DOCKLINE: " + std::string(where) + ": " + std::string(what);
    ::OutputDebugStringW(platform::Wide(text + "\n").c_str());
    std::lock_guard lock(gMutex);
    ++gCount;
    gLast = std::move(text);
  } catch (...) {
    std::lock_guard lock(gMutex);
    ++gCount;  // out of memory: at least the count tells
  }
}

void RecordFailure(std::string_view where) noexcept {
  std::string what;
  try {
    what = std::current_exception() ? CurrentExceptionText() : "no exception";
  } catch (...) {
  }
  RecordFailureText(where, what);
}

int FailureCount() {
  std::lock_guard lock(gMutex);
  return gCount;
}

std::string LastFailure() {
  std::lock_guard lock(gMutex);
  return gLast;
}

}  // namespace dockline::ui
