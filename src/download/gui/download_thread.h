#pragma once
// One download on its own thread, for the download page.
//
//   auto download = std::make_unique<DownloadThread>(ui::UiDispatcher::Process(), pageWindow);
//   download->Start(rows, settings);          // rows: the PC list as it stands now
//   ... a UI timer reads download->Progress() and shows it ...
//   download->Finished()                      // the run has ended: restore the list view
//
// The worker never touches a window. Its questions and messages are run on
// the UI thread through the poster, and it waits for each answer; a stop
// releases a waiting overwrite question (the run then ends as stopped), and
// Shutdown() (the window closing) releases every wait, dropping what was
// still to be shown. The UI dispatcher is never shut down for it.
//
// The stop button: Gate().Pause(), ask "要终止下载吗?", on Yes RequestStop(),
// then Gate().Resume(). While the gate is closed the worker finishes the
// step under way and waits at its next stop test; the step under way is at
// most one block (1 MiB) read and written, a web page or picture being
// converted, or a message or question it had already sent to the UI thread,
// which is then shown alongside the stop question. It starts no new file and
// moves no copy into place until the gate opens or the stop is given.
#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "download/download_run.h"
#include "ui/worker.h"

namespace dockline::download {

inline constexpr std::string_view kStoppingText = "下载正在终止,请稍候...";

class DownloadThread {
 public:
  // Questions and page messages are owned by `owner` (the download page).
  DownloadThread(ui::UiPoster ui, HWND owner);
  // Shuts the download down and waits for the worker, pumping messages.
  ~DownloadThread();
  DownloadThread(const DownloadThread&) = delete;
  DownloadThread& operator=(const DownloadThread&) = delete;

  // Starts the worker over a snapshot of the rows; false when it was started before.
  bool Start(std::vector<DownloadRow> rows, RunSettings settings);

  DownloadProgress& Progress() { return progress_; }
  PauseGate& Gate() { return gate_; }
  // The stop question's Yes: the status tells the user, the worker stops at its next test.
  void RequestStop();
  // The window is closing: stop, and release every wait for the UI thread.
  void Shutdown() { worker_.Shutdown(); }

  bool Finished() const { return worker_.Finished(); }
  // How the run ended, once Finished().
  std::optional<RunEnd> Result() const;
  // Waits for the worker's end while dispatching this thread's messages, so
  // the worker's questions are still answered meanwhile.
  void Join() { worker_.Join(); }

 private:
  class Prompts;

  HWND owner_;
  DownloadProgress progress_;
  PauseGate gate_;
  std::atomic<int> result_{-1};
  std::unique_ptr<Prompts> prompts_;
  ui::Worker worker_;  // last: it goes first
};

}  // namespace dockline::download
