#pragma once
// The download page's commands wired to the download core: 下载 starts a
// DownloadJob over a snapshot of the PC list and a UI timer carries its
// progress into the page's bars and texts; 停止下载 asks and stops; 已下载
// and the type combo list the device; 删除 deletes ticked rows (files on the
// device in the device view). Everything here runs on the UI thread; the
// worker only ever fills the job's progress record.
//
//   DownloadController controller(page, context);   // after page.Create()
//   ...
//   controller.Shutdown();                           // the window is closing
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "download/gui/download_job.h"
#include "download/gui/download_page.h"
#include "ui/ui_thread.h"

namespace dockline::download {

struct DownloadContext {
  ui::UiPoster ui;
  HWND owner = nullptr;  // the main window: owns the wait popup
  std::atomic<char>* driveLetter = nullptr;
  std::atomic<std::int32_t>* downloadRunning = nullptr;
  std::atomic<std::int32_t>* currentCategory = nullptr;
  DownloadPathStore* settings = nullptr;  // keeps the page's 写入后校验 option
};

inline constexpr std::string_view kStopQuestion = "要终止下载吗?";
inline constexpr std::string_view kNoFilesText = "没有可下载的文件";

class DownloadController {
 public:
  static constexpr UINT_PTR kProgressTimer = 0x6170;
  static constexpr UINT kProgressPeriodMs = 100;

  DownloadController(DownloadPage& page, DownloadContext context);
  ~DownloadController();
  DownloadController(const DownloadController&) = delete;
  DownloadController& operator=(const DownloadController&) = delete;

  // A run is under way (the worker has not ended yet).
  bool Busy() const { return job_ && !job_->Finished(); }
  // The window is closing: the worker is released from every wait and
  // joined while messages keep flowing.
  void Shutdown();

 private:
  void Download();
  void Stop();
  void ShowDeviceList();
  void FillDeviceList(int category, bool linger);
  void DeleteChecked();
  void OnTimer();
  void ShowProgress();
  void EndRun();

  char Drive() const { return context_.driveLetter ? context_.driveLetter->load() : 0; }
  std::string DeviceRoot() const;

  DownloadPage& page_;
  DownloadContext context_;
  std::unique_ptr<DownloadJob> job_;
  bool viewEntered_ = false;
  unsigned shownTexts_ = ~0u;
};

}  // namespace dockline::download
