#include "download/gui/download_job.h"

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

#include "download/gui/overwrite_dialog.h"
#include "ui/failure.h"
#include "ui/message_box.h"

namespace dockline::download {
namespace {

// Runs `question` on the UI thread and waits for its answer. std::nullopt
// when it could not be asked (the UI side has gone), or when `release` is
// requested first: the worker then goes on at once, and a dialog already open
// stays until the user closes it, its answer unread. The question is built
// from copies only, so it may outlive the waiting worker and the job.
template <class R>
std::optional<R> AskOnUi(const ui::UiPoster& ui, std::function<R()> question, std::stop_token release) {
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
  auto exchange = std::make_shared<Exchange>();
  auto sentinel = std::make_shared<Sentinel>();
  sentinel->exchange = exchange;
  ui.Post([sentinel = std::move(sentinel), question = std::move(question), release] {
    if (release.stop_requested()) return;
    R answer = question();
    std::lock_guard lock(sentinel->exchange->mutex);
    sentinel->exchange->answer = std::move(answer);
  });
  std::unique_lock lock(exchange->mutex);
  exchange->changed.wait(lock, release, [&] { return exchange->over; });
  return exchange->answer;
}

}  // namespace

// The worker's questions and messages, shown by the UI thread.
class DownloadJob::Prompts : public DownloadPrompts {
 public:
  Prompts(ui::UiPoster ui, HWND owner, std::stop_token stop, std::stop_token shutdown)
      : ui_(std::move(ui)), owner_(owner), stop_(std::move(stop)), shutdown_(std::move(shutdown)) {}

  void ShowMessage(std::string_view text) override {
    AskOnUi<bool>(ui_, [text = std::string(text)] { return ui::AppMessageBox(text) != 0; }, shutdown_);
  }
  void ShowPageMessage(std::string_view text) override {
    AskOnUi<bool>(
        ui_, [owner = owner_, text = std::string(text)] { return ui::WindowMessageBox(owner, text, "提示") != 0; },
        shutdown_);
  }
  std::optional<OverwriteChoice> AskOverwrite(const std::string&) override {
    const auto answer = AskOnUi<std::optional<OverwriteChoice>>(
        ui_, [owner = owner_] { return OverwriteDialog().Ask(owner); }, stop_);
    return answer ? *answer : std::nullopt;
  }

 private:
  ui::UiPoster ui_;
  HWND owner_;
  std::stop_token stop_;
  std::stop_token shutdown_;
};

DownloadJob::DownloadJob(ui::UiPoster ui, HWND owner) : ui_(std::move(ui)), owner_(owner) {}

DownloadJob::~DownloadJob() {
  Shutdown();
  Join();
  if (ended_) ::CloseHandle(ended_);
}

bool DownloadJob::Start(std::vector<DownloadRow> rows, RunSettings settings) {
  if (worker_.joinable()) return false;
  ended_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ended_) return false;
  prompts_ = std::make_unique<Prompts>(ui_, owner_, stop_.get_token(), shutdown_.get_token());
  worker_ = std::jthread([this, rows = std::move(rows), settings = std::move(settings)]() mutable {
    RunEnd end = RunEnd::Stopped;
    try {
      DownloadFiles files;
      DownloadRun run(std::move(settings), files, *prompts_, progress_, gate_);
      end = run.Run(rows, stop_.get_token());
    } catch (const std::exception& e) {
      // Nothing may vanish without a trace: the user hears of it, the run ends as stopped.
      ui::RecordFailureText("download worker", e.what());
      try {
        prompts_->ShowMessage(std::string("下载出错：") + e.what());
      } catch (...) {
      }
    } catch (...) {
      ui::RecordFailure("download worker");
    }
    progress_.active = false;
    progress_.finished = true;
    result_ = static_cast<int>(end);
    finished_ = true;
    ::SetEvent(ended_);
  });
  return true;
}

void DownloadJob::RequestStop() {
  if (finished_ || stop_.stop_requested()) return;
  progress_.SetStatus(std::string(kStoppingText));
  stop_.request_stop();
}

void DownloadJob::Shutdown() {
  stop_.request_stop();
  shutdown_.request_stop();
}

std::optional<RunEnd> DownloadJob::Result() const {
  if (!finished_) return std::nullopt;
  return static_cast<RunEnd>(result_.load());
}

void DownloadJob::Join() {
  if (!worker_.joinable()) return;
  std::optional<WPARAM> quit;
  for (;;) {
    const DWORD woke = ::MsgWaitForMultipleObjects(1, &ended_, FALSE, INFINITE, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) break;  // ended, or the wait itself failed
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = msg.wParam;
        continue;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  worker_.join();
  // A quit met on the way belongs to the loop outside.
  if (quit) ::PostQuitMessage(static_cast<int>(*quit));
}

}  // namespace dockline::download
