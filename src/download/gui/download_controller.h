#pragma once
// The download page's commands wired to the download core. Whatever takes
// long runs on a worker, never on the UI thread: 下载 starts a DownloadThread
// over a snapshot of the PC list, whose progress the page shows on its own
// timer; 停止下载 asks and stops; 已下载 and the
// type combo list the device, 删除 deletes ticked rows (and their files in
// the device view), 全选 and 反选 tick rows, and a sidebar category takes
// the files chosen in the file dialog: each a PageJob, whose row changes the
// page's fast timer brings into the list in batches (behind the wait popup,
// but for the ticks). One piece of work at a time: while one
// runs, the commands that would meet it are refused (BusyText).
//
//   DownloadController controller(page, context);   // after page.Create()
//   ...
//   controller.Shutdown();                           // the window is closing
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_path_store.h"
#include "download/gui/download_thread.h"
#include "download/gui/download_page.h"
#include "download/gui/page_job.h"
#include "download/gui/preview_dialog.h"
#include "download/gui/wait_popup.h"
#include "ui/ui_thread.h"

namespace dockline::download {

struct DownloadContext {
  ui::UiPoster ui;
  HWND owner = nullptr;  // the main window: owns the wait popup
  std::atomic<char>* driveLetter = nullptr;
  std::atomic<bool>* downloadRunning = nullptr;
  std::atomic<std::int32_t>* currentCategory = nullptr;
  DownloadPathStore* settings = nullptr;  // keeps the page's 写入后校验 option
};

inline constexpr std::string_view kStopQuestion = "要终止下载吗?";
inline constexpr std::string_view kDeleteQuestion = "确定从U盘删除选定文件?";
inline constexpr std::string_view kDeletingText = "正在删除，请稍候";
// What a command meeting the page's work is told.
inline constexpr std::string_view kListingRefusal = "正在读取U盘上的文件,请稍等片刻";
inline constexpr std::string_view kDeletingRefusal = "正在删除文件,请稍等片刻";
inline constexpr std::string_view kAddingRefusal = "正在添加文件,请稍等片刻";
inline constexpr std::string_view kTickingRefusal = "正在选择文件,请稍等片刻";
// The wait popup of a drop: how many files the walk has found, and its 取消 pressed.
std::string FoundFilesText(std::size_t found);
inline constexpr std::string_view kCancellingText = "正在取消，请稍候.....";

class DownloadController {
 public:
  // A page job's rows: a batch at every tick, the window answering between.
  static constexpr std::chrono::milliseconds kBatchBudget{25};
  // A drop's count of files found is shown again at most this often.
  static constexpr std::chrono::milliseconds kFoundEvery{100};
  // The type combo's refill keeps its popup up at least this long.
  static constexpr std::chrono::milliseconds kRefillPopupMinimum{1000};

  DownloadController(DownloadPage& page, DownloadContext context);
  ~DownloadController();
  DownloadController(const DownloadController&) = delete;
  DownloadController& operator=(const DownloadController&) = delete;

  // A download is under way (its worker has not ended yet).
  bool Downloading() const { return download_ && !download_->Finished(); }
  // What a command that would meet the work under way is told; "" while
  // the page is idle.
  std::string_view BusyText() const;
  // For a command the page's work would meet: tells the user why it waits
  // and answers true, or answers false once the page is idle.
  bool RefuseWhileBusy();
  // A sidebar click on download category 0..8: the file dialog, then the
  // chosen files taken into the PC list. Refused while work is under way.
  void SelectCategory(int category, DownloadPathStore& settings);
  // Files and folders dropped onto the window: taken into the PC list, each
  // file under the category that takes its type. Refused, with the words of
  // the work under way, while the page is busy; answers whether it was taken.
  bool DropFiles(std::vector<std::string> paths);
  // The window is closing: every piece of work is stopped, released from
  // its waits and joined while messages keep flowing.
  void Shutdown();

 private:
  class SelectionView;

  void Download();
  void Stop();
  void ShowDeviceList();
  void ListDevice(int category, bool refill);
  void DeleteChecked();
  void TickAll(bool invert);
  void AddFiles(int category, std::vector<std::string> paths, DownloadPathStore& settings);
  // Files taken into the PC list by a page job behind the wait popup: `read`
  // runs on its worker, handing the job its rows; `then` runs on the UI
  // thread once they are all in. A `cancellable` job shows the files it has
  // found and a 取消 that gives it up, its rows and `then` with it.
  using ReadFiles = std::function<void(PageJob&, platform::Notifier&, std::stop_token)>;
  void TakeFiles(ReadFiles read, std::function<void()> then, bool cancellable = false);
  void ShowFound();
  // A double click or Enter on a row: the preview of a picture's row.
  void OpenRow(FileListView& list, int row);

  // Whether a command may start work now (an ended run is done with first).
  bool Idle();
  void OnProgressShown();
  void EndRun();
  // A page job begins: commands off, the rows' timer on; `finish` runs on
  // the UI thread once its rows are all in.
  void BeginTask(std::unique_ptr<PageJob> task, std::function<void()> finish);
  void ApplyRows();
  void EndTask();
  void OpenPopup(std::string_view text);
  void ClosePopup(std::chrono::milliseconds minimum = {});

  char Drive() const { return context_.driveLetter ? context_.driveLetter->load() : 0; }
  std::string DeviceRoot() const;
  std::function<bool()> DevicePresent() const;

  DownloadPage& page_;
  DownloadContext context_;
  std::unique_ptr<DownloadThread> download_;
  bool stopAsked_ = false;  // the stop question is open: the run is not ended under it
  bool closing_ = false;
  std::unique_ptr<PageJob> task_;
  std::function<void()> finishTask_;
  std::unique_ptr<WaitPopup> popup_;
  bool countFound_ = false;  // the popup shows the files the job has found
  std::size_t foundShown_ = 0;
  std::chrono::steady_clock::time_point foundShownAt_;
  RowPreviews previews_;
};

}  // namespace dockline::download
