#include "ui/ui_thread.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "ui/failure.h"
#include "ui/messages.h"

namespace dockline::ui {
namespace detail {

struct DispatchState {
  std::mutex mutex;
  std::condition_variable changed;  // a waited-for task finished, or the UI side stopped
  std::deque<std::pair<std::uint64_t, std::function<void()>>> queue;
  std::uint64_t nextId = 0;
  HWND hwnd = nullptr;
  DWORD threadId = 0;
  bool stopped = false;
};

}  // namespace detail

namespace {

constexpr wchar_t kDispatcherClass[] = L"DocklineUiDispatcher";

std::mutex gProcessMutex;
std::weak_ptr<detail::DispatchState> gProcessState;

// What a waiting caller knows of its task.
struct CallState {
  bool running = false;   // started on the UI thread
  bool finished = false;  // ended (ok tells how)
  bool ok = false;
};

}  // namespace

bool UiPoster::Post(std::function<void()> task) const {
  if (!state_ || !task) return false;
  std::uint64_t id = 0;
  HWND hwnd = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    if (state_->stopped || !state_->hwnd) return false;
    id = ++state_->nextId;
    hwnd = state_->hwnd;
    state_->queue.emplace_back(id, std::move(task));
  }
  if (::PostMessageW(hwnd, kRunUiTasks, 0, 0)) return true;
  // The wake-up could not be queued (the UI thread's queue is full, or its
  // window is gone): take the task back unless the UI thread already took it.
  std::function<void()> dropped;
  {
    std::lock_guard lock(state_->mutex);
    for (auto it = state_->queue.begin(); it != state_->queue.end(); ++it) {
      if (it->first == id) {
        dropped = std::move(it->second);
        state_->queue.erase(it);
        break;
      }
    }
    if (!dropped) return true;
  }
  return false;  // `dropped` is freed here, outside the lock
}

bool UiPoster::Call(std::function<void()> task) const {
  if (!state_ || !task) return false;
  if (IsOnUiThread()) {
    {
      std::lock_guard lock(state_->mutex);
      if (state_->stopped) return false;
    }
    try {
      task();
      return true;
    } catch (...) {
      RecordFailure("UI task");
      return false;
    }
  }
  auto call = std::make_shared<CallState>();
  auto state = state_;
  const bool posted = Post([state, call, task = std::move(task)] {
    {
      std::lock_guard lock(state->mutex);
      if (state->stopped) return;  // the caller has been released already
      call->running = true;
    }
    bool ok = false;
    try {
      task();
      ok = true;
    } catch (...) {
      RecordFailure("UI task");
    }
    {
      std::lock_guard lock(state->mutex);
      call->finished = true;
      call->ok = ok;
    }
    state->changed.notify_all();
  });
  if (!posted) return false;
  std::unique_lock lock(state_->mutex);
  // A task that has started may use the caller's data, so it is waited for
  // even after a stop; one that has not started never will.
  state_->changed.wait(lock, [&] { return call->finished || (state_->stopped && !call->running); });
  return call->finished && call->ok;
}

bool UiPoster::IsOnUiThread() const { return state_ && ::GetCurrentThreadId() == state_->threadId; }

bool UiPoster::IsAccepting() const {
  if (!state_) return false;
  std::lock_guard lock(state_->mutex);
  return !state_->stopped && state_->hwnd;
}

UiDispatcher::UiDispatcher() : state_(std::make_shared<detail::DispatchState>()) {
  HINSTANCE module = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!::GetClassInfoExW(module, kDispatcherClass, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &UiDispatcher::Procedure;
    wc.hInstance = module;
    wc.lpszClassName = kDispatcherClass;
    ::RegisterClassExW(&wc);
  }
  hwnd_ = ::CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
  state_->threadId = ::GetCurrentThreadId();
  if (!hwnd_) {
    state_->stopped = true;
    return;
  }
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  state_->hwnd = hwnd_;
  std::lock_guard lock(gProcessMutex);
  if (gProcessState.expired()) gProcessState = state_;
}

UiDispatcher::~UiDispatcher() {
  Stop();
  {
    std::lock_guard lock(state_->mutex);
    state_->hwnd = nullptr;
  }
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
  std::lock_guard lock(gProcessMutex);
  if (gProcessState.lock() == state_) gProcessState.reset();
}

bool UiDispatcher::IsValid() const { return hwnd_ != nullptr; }

void UiDispatcher::Stop() {
  std::deque<std::pair<std::uint64_t, std::function<void()>>> dropped;
  {
    std::lock_guard lock(state_->mutex);
    state_->stopped = true;
    dropped.swap(state_->queue);
  }
  state_->changed.notify_all();
  // `dropped` is freed here, outside the lock (a task's captures may post).
}

UiPoster UiDispatcher::Process() {
  std::lock_guard lock(gProcessMutex);
  return UiPoster(gProcessState.lock());
}

void UiDispatcher::RunQueued() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(state_->mutex);
      if (state_->stopped || state_->queue.empty()) return;
      task = std::move(state_->queue.front().second);
      state_->queue.pop_front();
    }
    try {
      task();
    } catch (...) {
      RecordFailure("UI task");  // a task's failure is its own; the remaining tasks still run
    }
  }
}

LRESULT CALLBACK UiDispatcher::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunUiTasks) {
    if (auto* self = reinterpret_cast<UiDispatcher*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
      try {
        self->RunQueued();
      } catch (...) {
        RecordFailure("UI task queue");
      }
    }
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace dockline::ui
