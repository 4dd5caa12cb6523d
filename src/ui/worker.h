#pragma once
// Long work on a thread of its own, on behalf of a window of the UI thread:
// a download, a listing of the device, a deletion, the sizes of chosen files.
//
//   ui::Worker worker(ui::UiDispatcher::Process(), "出错：");
//   worker.Start([&](std::stop_token stop) { ... fill a progress record ... });
//   ... a timer of the window reads the record; worker.Finished() ...
//   worker.Join();   // or let the destructor shut it down and join it
//
// The work never touches a window. What it needs the user to see or answer
// goes to the UI thread through Ask or Tell, which wait for the answer; a
// stop (when the question says so) or a shutdown (the window closing)
// releases the wait at once, and a box already open then stays until the
// user closes it, its answer unread. Join waits for the thread while
// dispatching this thread's messages, so the work's questions are still
// answered meanwhile and the windows keep painting.
//
// An exception that ends the work is recorded (ui/failure.h) and told to the
// user in an application message box: the failure text, then what().
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "platform/notifier.h"
#include "platform/win32/unique_handle.h"
#include "ui/ui_thread.h"

namespace dockline::ui {

class Worker {
 public:
  // `failureText` starts the box that reports an exception ending the work.
  Worker(UiPoster ui, std::string_view failureText);
  // Shuts the work down and waits for it, dispatching messages meanwhile.
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts `work` on its thread; false when it was started before (a worker
  // runs one piece of work: its stop, its end and its event are that work's)
  // or no thread could be had. `work` gets the stop token: it tests it
  // between steps.
  bool Start(std::function<void(std::stop_token)> work);

  // Asks the work to stop at its next test; releases a question that a stop releases.
  void RequestStop() { stop_.request_stop(); }
  bool StopRequested() const { return stop_.stop_requested(); }
  // The window is closing: stop, and release every wait for the UI thread.
  void Shutdown() {
    stop_.request_stop();
    shutdown_.request_stop();
  }

  bool Started() const { return thread_.joinable(); }
  // The work has returned (or thrown); what it left is complete.
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  // Waits for the thread's end while dispatching this thread's messages; a
  // WM_QUIT met on the way is posted again for the loop outside.
  void Join();

  std::stop_token StopToken() const { return stop_.get_token(); }
  const UiPoster& Ui() const { return ui_; }

  // From the work: runs `question` on the UI thread and waits for its
  // answer. std::nullopt when it could not be asked (the UI side has gone) or
  // when the wait was released first: by a shutdown always, by a stop when
  // `releasedByStop`. The question is built from copies only, so it may
  // outlive the waiting work and the worker.
  template <class R>
  std::optional<R> Ask(std::function<R()> question, bool releasedByStop) const;
  // From the work: shows something on the UI thread (a message box) and
  // waits until it is closed; a shutdown releases the wait.
  void Tell(std::function<void()> show) const {
    Ask<bool>(
        [show = std::move(show)] {
          show();
          return true;
        },
        false);
  }

 private:
  UiPoster ui_;
  std::string failureText_;
  std::stop_source stop_;
  std::stop_source shutdown_;
  bool used_ = false;  // Start has been called with work: no second start
  std::atomic<bool> finished_{false};
  platform::KernelHandle ended_;  // signalled by the thread as its last act
  std::jthread thread_;     // last: it goes first
};

// The work's messages as application message boxes, each waited for until
// the user has closed it (a shutdown releases the wait).
class WorkerNotifier : public platform::Notifier {
 public:
  explicit WorkerNotifier(const Worker& worker) : worker_(worker) {}
  void ShowMessage(std::string_view utf8) override;

 private:
  const Worker& worker_;
};

template <class R>
std::optional<R> Worker::Ask(std::function<R()> question, bool releasedByStop) const {
  struct Exchange {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::optional<R> answer;
    bool over = false;
  };
  // Travels with the task and marks the exchange over when the task is gone,
  // whether it ran or was dropped unrun by a dispatcher shutting down.
  struct Sentinel {
    std::shared_ptr<Exchange> exchange;
    ~Sentinel() {
      {
        std::lock_guard lock(exchange->mutex);
        exchange->over = true;
      }
      exchange->changed.notify_all();
    }
  };
  const std::stop_token release = releasedByStop ? stop_.get_token() : shutdown_.get_token();
  auto exchange = std::make_shared<Exchange>();
  auto sentinel = std::make_shared<Sentinel>();
  sentinel->exchange = exchange;
  ui_.Post([sentinel = std::move(sentinel), question = std::move(question), release] {
    if (release.stop_requested()) return;
    R answer = question();
    std::lock_guard lock(sentinel->exchange->mutex);
    sentinel->exchange->answer = std::move(answer);
  });
  std::unique_lock lock(exchange->mutex);
  // A shutdown stops too, so the stop's token releases at either.
  exchange->changed.wait(lock, release, [&] { return exchange->over; });
  return exchange->answer;
}

}  // namespace dockline::ui
