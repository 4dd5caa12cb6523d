#pragma once
// Running code on the user-interface thread from any other thread.
//
// The UI thread owns a UiDispatcher (a hidden message-only window). Other
// threads hold a UiPoster, a copyable handle that stays safe to use after the
// dispatcher is gone:
//   - Post(task): queue the task and return at once; false (and the task
//     freed) when it could not be queued.
//   - Call(task) / Invoke(f): run on the UI thread and wait for the end, for
//     questions such as a message box asked by a worker. They never wait
//     forever: once the UI side shuts down (Stop(), or the dispatcher
//     destroyed) every waiting caller returns at once with "not run", and new
//     calls are refused. Called on the UI thread itself they run inline.
//
// Tasks run inside whatever message loop the UI thread is in (the main loop, a
// modal dialog, a message box). A task that throws is treated as not run.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace dockline::ui {

namespace detail {
struct DispatchState;
}

class UiPoster {
 public:
  UiPoster() = default;

  bool Post(std::function<void()> task) const;
  // true when the task ran to its end on the UI thread.
  bool Call(std::function<void()> task) const;

  template <class F, class R = std::invoke_result_t<F&>>
  std::optional<R> Invoke(F f) const {
    static_assert(!std::is_void_v<R>, "use Call for tasks without a result");
    std::optional<R> result;
    if (!Call([&result, &f] { result.emplace(f()); })) return std::nullopt;
    return result;
  }

  bool IsOnUiThread() const;
  // false once the UI side has shut down (or for a default-made poster).
  bool IsAccepting() const;

 private:
  friend class UiDispatcher;
  explicit UiPoster(std::shared_ptr<detail::DispatchState> state) : state_(std::move(state)) {}
  std::shared_ptr<detail::DispatchState> state_;
};

class UiDispatcher {
 public:
  // Create on the UI thread. The first one alive is the process's (Process()).
  UiDispatcher();
  ~UiDispatcher();
  UiDispatcher(const UiDispatcher&) = delete;
  UiDispatcher& operator=(const UiDispatcher&) = delete;

  bool IsValid() const;
  UiPoster Poster() const { return UiPoster(state_); }
  // Refuses new tasks and releases every waiting caller; queued tasks are
  // dropped unrun. Call it before waiting for a worker that might be waiting
  // for the UI thread.
  void Stop();

  // The poster of the process's UI thread; refuses everything when there is none.
  static UiPoster Process();

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void RunQueued();

  std::shared_ptr<detail::DispatchState> state_;
  HWND hwnd_ = nullptr;
};

}  // namespace dockline::ui
