#include "download/gui/download_thread.h"

#include "download/gui/overwrite_dialog.h"
#include "ui/message_box.h"

namespace dockline::download {

// The worker's questions and messages, shown by the UI thread. A message
// waits until the user has closed it; the overwrite question is released by
// a stop as well.
class DownloadThread::Prompts : public DownloadPrompts {
 public:
  Prompts(const ui::Worker& worker, HWND owner) : worker_(worker), owner_(owner) {}

  void ShowMessage(std::string_view text) override { ui::WorkerNotifier(worker_).ShowMessage(text); }
  void ShowPageMessage(std::string_view text) override {
    worker_.Tell([owner = owner_, text = std::string(text)] { ui::WindowMessageBox(owner, text, "提示"); });
  }
  std::optional<OverwriteChoice> AskOverwrite(const OverwriteQuestion& question) override {
    const auto answer = worker_.Ask<std::optional<OverwriteChoice>>(
        [owner = owner_, question] { return OverwriteDialog(question).Ask(owner); }, true);
    return answer ? *answer : std::nullopt;
  }

 private:
  const ui::Worker& worker_;
  HWND owner_;
};

DownloadThread::DownloadThread(ui::UiPoster ui, HWND owner) : owner_(owner), worker_(std::move(ui), "下载出错：") {}

// The worker goes first (the last member): shut down and joined.
DownloadThread::~DownloadThread() = default;

bool DownloadThread::Start(std::vector<DownloadRow> rows, RunSettings settings) {
  if (worker_.Started()) return false;
  prompts_ = std::make_unique<Prompts>(worker_, owner_);
  return worker_.Start([this, rows = std::move(rows), settings = std::move(settings)](std::stop_token stop) mutable {
    DownloadFiles files;
    DownloadRun run(std::move(settings), files, *prompts_, progress_, gate_);
    result_ = static_cast<int>(run.Run(rows, stop));
  });
}

void DownloadThread::RequestStop() {
  if (Finished() || worker_.StopRequested()) return;
  progress_.SetStatus(std::string(kStoppingText));
  worker_.RequestStop();
}

std::optional<RunEnd> DownloadThread::Result() const {
  if (!Finished()) return std::nullopt;
  const int result = result_.load();
  return result < 0 ? RunEnd::Stopped : static_cast<RunEnd>(result);
}

}  // namespace dockline::download
