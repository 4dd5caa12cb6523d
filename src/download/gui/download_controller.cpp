#include "download/gui/download_controller.h"

#include <chrono>
#include <thread>
#include <vector>

#include "download/category_table.h"
#include "download/device_files.h"
#include "download/gui/wait_popup.h"
#include "platform/file_system.h"
#include "resource.h"
#include "ui/message_box.h"

namespace dockline::download {
namespace {

// The delete command's view of whichever list is shown.
class ListDeletionView : public DeletionView {
 public:
  ListDeletionView(DownloadPage& page, HWND owner) : page_(page), list_(page.CurrentList()), owner_(owner) {}

  std::size_t RowCount() const override { return static_cast<std::size_t>(list_.Count()); }
  bool IsTicked(std::size_t row) const override { return list_.Checked(static_cast<int>(row)); }
  const FileEntry* Entry(std::size_t row) const override { return list_.Record(static_cast<int>(row)); }
  void RemoveRow(std::size_t row) override { list_.DeleteRow(static_cast<int>(row)); }
  bool ConfirmDeviceDeletion() override { return ui::AppMessageBox("确定从U盘删除选定文件?", MB_YESNO) == IDYES; }
  void BeginBusy(std::string_view text) override {
    popup_ = std::make_unique<WaitPopup>(owner_);
    popup_->SetText(text);
  }
  void EndBusy() override { popup_.reset(); }
  void ShowDeletionError(std::string_view description) override {
    ui::WindowMessageBox(page_.Handle(), description, ui::ApplicationName(), MB_OK);
  }

 private:
  DownloadPage& page_;
  FileListView& list_;
  HWND owner_;
  std::unique_ptr<WaitPopup> popup_;
};

}  // namespace

DownloadController::DownloadController(DownloadPage& page, DownloadContext context)
    : page_(page), context_(std::move(context)) {
  DownloadPage::Commands commands;
  commands.download = [this] { Download(); };
  commands.stop = [this] { Stop(); };
  commands.showDeviceList = [this] { ShowDeviceList(); };
  commands.deviceCategory = [this](int category) { FillDeviceList(category, true); };
  commands.deleteChecked = [this] { DeleteChecked(); };
  commands.timer = [this](UINT_PTR id) {
    if (id == kProgressTimer) OnTimer();
  };
  commands.verifyChanged = [this](bool on) {
    if (context_.settings) context_.settings->SetVerifyAfterWrite(on);
  };
  page_.SetCommands(std::move(commands));
  if (context_.settings) page_.SetVerifyChecked(context_.settings->VerifyAfterWrite());
}

DownloadController::~DownloadController() {
  Shutdown();
  page_.SetCommands({});
}

void DownloadController::Shutdown() {
  if (page_.Handle()) ::KillTimer(page_.Handle(), kProgressTimer);
  if (!job_) return;
  job_->Shutdown();
  job_.reset();  // joins, dispatching messages meanwhile
}

std::string DownloadController::DeviceRoot() const {
  const char letter = Drive();
  return letter ? std::string(1, letter) + ":" : std::string();
}

void DownloadController::Download() {
  HWND button = page_.Item(IDC_DOWNLOAD);
  ::EnableWindow(button, FALSE);
  ui::MessageBoxNotifier notifier(context_.ui);
  const std::string root = DeviceRoot();
  const bool running = Busy() || (context_.downloadRunning && context_.downloadRunning->load() == 1);
  if (PrepareDownload(root, !root.empty(), static_cast<std::size_t>(page_.PcList().Count()), notifier) && !running) {
    // The worker gets the rows as they stand now; the list may change under
    // it without effect.
    std::vector<DownloadRow> rows;
    FileListView& list = page_.PcList();
    rows.reserve(static_cast<std::size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
      const FileEntry* entry = list.Record(i);
      if (!entry) continue;
      rows.push_back({list.Checked(i), CategoryTable::typeText(entry->categoryNumber - 1), *entry});
    }
    RunSettings settings;
    settings.deviceRoot = root;
    std::atomic<char>* letter = context_.driveLetter;
    // The monitor learns of a pulled cable only at its next poll; a failed
    // write asks at once whether the device's root still answers.
    settings.devicePresent = [letter, expected = root.front(), rootFolder = DeviceRootFolder(root)] {
      return letter && letter->load() == expected && platform::IsDirectory(rootFolder);
    };
    settings.runningFlag = context_.downloadRunning;
    settings.verify = page_.VerifyChecked();
    job_ = std::make_unique<DownloadJob>(context_.ui, page_.Handle());
    viewEntered_ = false;
    shownTexts_ = ~0u;
    if (job_->Start(std::move(rows), std::move(settings)))
      ::SetTimer(page_.Handle(), kProgressTimer, kProgressPeriodMs, nullptr);
    else
      job_.reset();
  }
  ::EnableWindow(button, TRUE);
}

void DownloadController::Stop() {
  if (!Busy()) return;
  // The worker waits at its next stop test while the question is open; it is
  // never suspended wherever it happens to be.
  job_->Gate().Pause();
  if (ui::AppMessageBox(kStopQuestion, MB_YESNO) == IDYES) job_->RequestStop();
  job_->Gate().Resume();
}

void DownloadController::OnTimer() {
  if (!job_) {
    ::KillTimer(page_.Handle(), kProgressTimer);
    return;
  }
  ShowProgress();
  if (job_->Finished()) EndRun();
}

void DownloadController::ShowProgress() {
  DownloadProgress& progress = job_->Progress();
  if (progress.active && !viewEntered_) {
    page_.EnterDownloadView();
    viewEntered_ = true;
  }
  if (!viewEntered_) return;
  page_.OverallBar().SetRange(0, static_cast<int>(progress.overallRange.load()));
  page_.OverallBar().SetPos(static_cast<int>(progress.overallPosition.load()));
  page_.FileBar().SetRange(0, 7);
  page_.FileBar().SetPos(progress.fileSevenths.load());
  if (const unsigned version = progress.TextVersion(); version != shownTexts_) {
    shownTexts_ = version;
    page_.SetItemText(IDC_RUN_TEXT, progress.Status());
    page_.SetItemText(IDC_RUN_COUNTER, progress.Counter());
  }
}

void DownloadController::EndRun() {
  ::KillTimer(page_.Handle(), kProgressTimer);
  if (viewEntered_) page_.RestoreListView();
  viewEntered_ = false;
  job_.reset();
  page_.UpdateSelectionStatus();
}

void DownloadController::ShowDeviceList() {
  if (Drive() == 0) {
    ui::AppMessageBox(kNotOnlineText);
    return;
  }
  const int category = context_.currentCategory ? context_.currentCategory->load() : 0;
  page_.ShowDeviceView(category >= 0 && category < kCategoryCount ? category : 0);
  FillDeviceList(category >= 0 && category < kCategoryCount ? category : 0, false);
}

void DownloadController::FillDeviceList(int category, bool linger) {
  const auto started = std::chrono::steady_clock::now();
  WaitPopup popup(context_.owner);
  if (Drive() == 0) popup.Hide();
  page_.ClearDeviceList();
  ui::MessageBoxNotifier notifier(context_.ui);
  const std::string root = DeviceRoot();
  std::atomic<char>* letter = context_.driveLetter;
  std::vector<FileEntry> rows =
      ListCategoryFiles(root, category, [letter] { return letter && letter->load() != 0; }, notifier);
  FileListView& list = page_.DeviceList();
  ::SendMessageW(list.Handle(), WM_SETREDRAW, FALSE, 0);
  for (FileEntry& entry : rows) list.AddRow(std::move(entry), true);
  ::SendMessageW(list.Handle(), WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list.Handle(), nullptr, TRUE);
  if (!linger) return;
  // After a change of type the popup stays long enough to be read, however
  // quick the listing was.
  const auto shown = std::chrono::steady_clock::now() - started;
  if (shown < std::chrono::milliseconds(1000)) std::this_thread::sleep_for(std::chrono::milliseconds(1000) - shown);
}

void DownloadController::DeleteChecked() {
  if (Busy()) return;  // the rows are the worker's snapshot's source; 删除 is hidden meanwhile anyway
  ListDeletionView view(page_, context_.owner);
  ui::MessageBoxNotifier notifier(context_.ui);
  std::atomic<char>* letter = context_.driveLetter;
  const bool deviceView = page_.CurrentView() == DownloadPage::View::Device;
  if (DeleteTickedRows(view, deviceView, [letter] { return letter && letter->load() != 0; }, notifier) ==
      DeleteOutcome::Removed)
    page_.UpdateSelectionStatus();
}

}  // namespace dockline::download
