#include "download/gui/download_controller.h"

#include <utility>
#include <vector>

#include "download/category_selection.h"
#include "download/category_table.h"
#include "download/device_files.h"
#include "download/dropped_files.h"
#include "download/gui/file_dialog.h"
#include "download/row_preview.h"
#include "platform/file_system.h"
#include "ui/message_box.h"
#include "ui/worker.h"

namespace dockline::download {

// The category selection as the page runs it: the dialog on the UI thread,
// the chosen files taken in by a page job.
class DownloadController::SelectionView : public CategorySelectionView {
 public:
  SelectionView(DownloadController& controller, DownloadPathStore& settings)
      : controller_(controller), settings_(settings) {}

  void ShowMessage(std::string_view utf8) override { ui::AppMessageBox(utf8); }
  void ShowPage() override { controller_.page_.Show(true); }
  FileChoice ChooseFiles(int category, const std::string& initialFolder) override {
    return download::ChooseFiles(controller_.context_.owner, category, initialFolder);
  }
  void AddFiles(int category, std::vector<std::string> paths) override {
    controller_.AddFiles(category, std::move(paths), settings_);
  }
  void Refresh() override {
    controller_.page_.UpdateSelectionStatus();
    controller_.page_.ShowLocalList();
  }

 private:
  DownloadController& controller_;
  DownloadPathStore& settings_;
};

std::string FoundFilesText(std::size_t found) { return "已找到" + std::to_string(found) + "个文件，请稍候....."; }

DownloadController::DownloadController(DownloadPage& page, DownloadContext context)
    : page_(page), context_(std::move(context)), previews_(context_.ui) {
  DownloadPage::Commands commands;
  commands.download = [this] { Download(); };
  commands.stop = [this] { Stop(); };
  commands.showDeviceList = [this] { ShowDeviceList(); };
  commands.deviceCategory = [this](int category) { ListDevice(category, true); };
  commands.deleteChecked = [this] { DeleteChecked(); };
  commands.tickAll = [this](bool invert) { TickAll(invert); };
  commands.progressShown = [this] { OnProgressShown(); };
  commands.rowsDue = [this] { ApplyRows(); };
  commands.openRow = [this](FileListView& list, int row) { OpenRow(list, row); };
  commands.verifyChanged = [this](bool on) {
    if (context_.settings) context_.settings->SetVerifyAfterWrite(on);
  };
  commands.skipChanged = [this](bool on) {
    if (context_.settings) context_.settings->SetSkipUnchanged(on);
  };
  page_.SetCommands(std::move(commands));
  if (context_.settings) page_.SetVerifyChecked(context_.settings->VerifyAfterWrite());
  page_.SetSkipChecked(!context_.settings || context_.settings->SkipUnchanged());
}

DownloadController::~DownloadController() {
  Shutdown();
  page_.SetCommands({});
}

void DownloadController::Shutdown() {
  closing_ = true;
  page_.UnwatchProgress();
  page_.WatchRows(false);
  // Both are released first, then joined: neither waits for the other.
  if (task_) task_->Work().Shutdown();
  if (download_) download_->Shutdown();
  task_.reset();  // joins, dispatching messages meanwhile
  download_.reset();
  previews_.Shutdown();
  finishTask_ = nullptr;
  popup_.reset();
}

std::string_view DownloadController::BusyText() const {
  if (Downloading() || stopAsked_ || (context_.downloadRunning && context_.downloadRunning->load())) return kBusyRefusal;
  if (!task_) return {};
  switch (task_->GetKind()) {
    case PageJob::Kind::Listing: return kListingRefusal;
    case PageJob::Kind::Deleting: return kDeletingRefusal;
    case PageJob::Kind::Adding: return kAddingRefusal;
    case PageJob::Kind::Ticking: return kTickingRefusal;
  }
  return kAddingRefusal;
}

std::string DownloadController::DeviceRoot() const {
  const char letter = Drive();
  return letter ? std::string(1, letter) + ":" : std::string();
}

std::function<bool()> DownloadController::DevicePresent() const {
  std::atomic<char>* letter = context_.driveLetter;
  return [letter] { return letter && letter->load() != 0; };
}

// ---- the download ----

bool DownloadController::Idle() {
  if (closing_) return false;
  // A run that has ended but whose end the timer has not shown yet is done
  // with now, so that a command at once after it finds the page as it will be.
  if (download_ && download_->Finished() && !stopAsked_) EndRun();
  return BusyText().empty();
}

bool DownloadController::RefuseWhileBusy() {
  if (Idle()) return false;
  if (!closing_) ui::AppMessageBox(BusyText());
  return true;
}

void DownloadController::Download() {
  // A run begins by clearing the leftovers of cut copies; under a run one of
  // them is that run's own copy.
  if (!Idle()) return;
  page_.EnableDownload(false);  // no second click while a box below is open
  ui::MessageBoxNotifier notifier(context_.ui);
  const std::string root = DeviceRoot();
  if (PrepareDownload(root, !root.empty(), static_cast<std::size_t>(page_.PcList().Count()), notifier)) {
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
    settings.skipUnchanged = page_.SkipChecked();
    download_ = std::make_unique<DownloadThread>(context_.ui, page_.Handle());
    if (download_->Start(std::move(rows), std::move(settings)))
      page_.WatchProgress(download_->Progress());
    else
      download_.reset();
  }
  page_.EnableDownload(true);
}

void DownloadController::Stop() {
  if (!Downloading() || stopAsked_) return;
  // The worker waits at its next stop test while the question is open; it
  // is never suspended wherever it happens to be. Nor does the timer end the
  // run under the question, so the answer always meets the job it was asked
  // about; only a closing window can take that job away meanwhile.
  stopAsked_ = true;
  download_->Gate().Pause();
  const bool yes = ui::AppMessageBox(kStopQuestion, MB_YESNO) == IDYES;
  stopAsked_ = false;
  if (!download_) return;
  if (yes) download_->RequestStop();
  download_->Gate().Resume();
}

// The page has just shown the run's progress: a run that has ended is done
// with, unless the stop question is still open over it.
void DownloadController::OnProgressShown() {
  if (!download_) {
    page_.UnwatchProgress();
  } else if (download_->Finished() && !stopAsked_) {
    EndRun();
  }
}

void DownloadController::EndRun() {
  page_.UnwatchProgress();
  download_.reset();
  page_.UpdateSelectionStatus();
}

// ---- the page's jobs ----

void DownloadController::BeginTask(std::unique_ptr<PageJob> task, std::function<void()> finish) {
  task_ = std::move(task);
  finishTask_ = std::move(finish);
  page_.SetBusy(true);
  page_.WatchRows(true);
}

void DownloadController::ApplyRows() {
  if (!task_) {
    page_.WatchRows(false);
    return;
  }
  // The status line is counted once a batch, not once a row.
  if (task_->Apply(kBatchBudget) > 0 && &task_->List() == &page_.PcList()) page_.UpdateSelectionStatus();
  if (task_->Done()) EndTask();
  else ShowFound();
}

void DownloadController::ShowFound() {
  if (!countFound_ || !popup_ || !task_ || task_->Cancelled()) return;
  const std::size_t found = task_->Found().load(std::memory_order_relaxed);
  const auto now = std::chrono::steady_clock::now();
  if (found == foundShown_ || now - foundShownAt_ < kFoundEvery) return;
  foundShown_ = found;
  foundShownAt_ = now;
  popup_->SetText(FoundFilesText(found));
}

void DownloadController::EndTask() {
  countFound_ = false;
  page_.WatchRows(false);
  task_.reset();  // its worker has ended
  page_.SetBusy(false);
  if (auto finish = std::exchange(finishTask_, nullptr)) finish();
}

void DownloadController::OpenPopup(std::string_view text) {
  popup_ = std::make_unique<WaitPopup>(context_.owner);
  popup_->SetText(text);
}

void DownloadController::ClosePopup(std::chrono::milliseconds minimum) {
  if (popup_) popup_->Dismiss(minimum);
}

void DownloadController::ShowDeviceList() {
  if (!Idle()) return;
  if (Drive() == 0) {
    ui::AppMessageBox(kNotOnlineText);
    return;
  }
  // The sidebar entry chosen last; an organizer entry lists the first category.
  const int entry = context_.currentCategory ? context_.currentCategory->load() : 0;
  const int category = IsCategory(entry) ? entry : 0;
  page_.ShowDeviceView(category);
  ListDevice(category, false);
}

void DownloadController::ListDevice(int category, bool refill) {
  if (!Idle()) return;
  page_.ClearDeviceList();
  OpenPopup(WaitPopup::kReadingText);
  if (Drive() == 0) popup_->Hide();
  auto task = std::make_unique<PageJob>(PageJob::Kind::Listing, page_.DeviceList(), context_.ui);
  PageJob* job = task.get();
  job->Work().Start([job, root = DeviceRoot(), category, present = DevicePresent()](std::stop_token stop) {
    ui::WorkerNotifier notifier(job->Work());
    job->Append(ListCategoryFiles(root, category, present, notifier, stop));
  });
  // After a change of type the popup stays long enough to be read, however
  // quick the listing was.
  BeginTask(std::move(task), [this, refill] { ClosePopup(refill ? kRefillPopupMinimum : std::chrono::milliseconds{}); });
}

void DownloadController::DeleteChecked() {
  if (!Idle()) return;
  const bool deviceView = page_.CurrentView() == DownloadPage::View::Device;
  FileListView& list = page_.CurrentList();
  ui::MessageBoxNotifier notifier(context_.ui);
  const DeletionPlan plan = PlanDeletion(
      list.Ticks(), deviceView, [] { return ui::AppMessageBox(kDeleteQuestion, MB_YESNO) == IDYES; }, notifier);
  if (plan.outcome != DeleteOutcome::Go) return;
  std::vector<PlannedRow> rows;
  std::vector<DeviceFile> files;
  rows.reserve(plan.rows.size());
  for (const std::size_t index : plan.rows) {
    const int row = static_cast<int>(index);
    rows.push_back({row, list.Key(row)});
    if (!deviceView) continue;
    const FileEntry* entry = list.Record(row);
    files.push_back(entry ? DeviceFile{entry->path, entry->categoryNumber} : DeviceFile{});
  }
  OpenPopup(kDeletingText);
  auto task = std::make_unique<PageJob>(PageJob::Kind::Deleting, list, context_.ui);
  PageJob* job = task.get();
  if (!deviceView) {
    job->Delete(std::move(rows));  // rows only: list work, in batches all the same
  } else {
    job->Work().Start([job, rows = std::move(rows), files = std::move(files), present = DevicePresent(),
                       page = page_.Handle()](std::stop_token stop) {
      // A row goes only when its file has gone.
      DeleteDeviceFiles(
          files, present, stop, [&](std::size_t i) { job->Delete({rows[i]}); },
          [&](const std::string& failure) {
            job->Work().Tell([page, failure] { ui::WindowMessageBox(page, failure, ui::ApplicationName(), MB_OK); });
          });
    });
  }
  BeginTask(std::move(task), [this] {
    ClosePopup();
    page_.UpdateSelectionStatus();
  });
}

// The list of the view shown; the status line stays the PC list's.
void DownloadController::TickAll(bool invert) {
  if (!Idle()) return;
  FileListView& list = page_.CurrentList();
  const std::vector<bool> ticks = list.Ticks();
  std::vector<RowChange> changes;
  for (std::size_t index = 0; index < ticks.size(); ++index) {
    const bool ticked = invert ? !ticks[index] : true;
    if (ticked == ticks[index]) continue;
    const int row = static_cast<int>(index);
    changes.push_back({RowChange::What::Tick, {row, list.Key(row)}, ticked, {}});
  }
  if (changes.empty()) return;
  auto task = std::make_unique<PageJob>(PageJob::Kind::Ticking, list, context_.ui);
  task->Change(std::move(changes));
  BeginTask(std::move(task), [this] { page_.UpdateSelectionStatus(); });
}

void DownloadController::SelectCategory(int category, DownloadPathStore& settings) {
  if (closing_) return;
  Idle();
  SelectionView view(*this, settings);
  download::SelectCategory(category, BusyText(), settings, view);
}

void DownloadController::AddFiles(int category, std::vector<std::string> paths, DownloadPathStore& settings) {
  auto last = std::make_shared<std::string>();  // read once the worker has ended
  TakeFiles(
      [category, paths = std::move(paths), last](PageJob& job, platform::Notifier& notifier, std::stop_token stop) {
        *last = ReadChosenFiles(
            category, paths, notifier, [&job](std::vector<FileEntry> rows) { job.Append(std::move(rows)); }, stop);
      },
      [&settings, category, last] { RememberFolder(settings, category, *last); });
}

bool DownloadController::DropFiles(std::vector<std::string> paths) {
  if (paths.empty() || RefuseWhileBusy()) return false;
  const int current = context_.currentCategory ? context_.currentCategory->load() : kNoCategory;
  auto refused = std::make_shared<std::vector<std::string>>();  // read once the worker has ended
  // A large tree takes long to walk, and may have been dropped by mistake:
  // the popup counts what the walk finds and can give the drop up. Given up,
  // the drop adds nothing, as a file manager's cancelled copy of a tree it was
  // still surveying copies nothing.
  TakeFiles(
      [paths = std::move(paths), current, refused](PageJob& job, platform::Notifier& notifier, std::stop_token stop) {
        *refused = ReadDroppedFiles(
            paths, current, notifier, [&job](std::vector<FileEntry> rows) { job.Append(std::move(rows)); }, stop,
            &job.Found());
      },
      // Named once, after the rows that were taken are all in.
      [refused] {
        if (!refused->empty()) ui::AppMessageBox(RefusedFilesMessage(*refused));
      },
      true);
  return true;
}

void DownloadController::TakeFiles(ReadFiles read, std::function<void()> then, bool cancellable) {
  if (!Idle()) return;
  OpenPopup(WaitPopup::kReadingText);
  auto task = std::make_unique<PageJob>(PageJob::Kind::Adding, page_.PcList(), context_.ui);
  PageJob* job = task.get();
  job->Work().Start([job, read = std::move(read)](std::stop_token stop) {
    ui::WorkerNotifier notifier(job->Work());
    read(*job, notifier, stop);
  });
  countFound_ = cancellable;
  foundShown_ = 0;
  foundShownAt_ = {};
  auto cancelled = std::make_shared<bool>(false);
  if (cancellable) {
    popup_->OfferCancel([this, cancelled] {
      if (!task_) return;
      *cancelled = true;
      task_->Cancel();
      popup_->SetText(kCancellingText);
    });
  }
  BeginTask(std::move(task), [this, then = std::move(then), cancelled] {
    ClosePopup();
    page_.UpdateSelectionStatus();
    page_.ShowLocalList();
    if (!*cancelled) then();
  });
}

void DownloadController::OpenRow(FileListView& list, int row) {
  const FileEntry* entry = list.Record(row);
  const bool onDevice = &list == &page_.DeviceList();
  if (closing_ || !entry || PreviewKindOf(*entry, onDevice) == PreviewKind::None) return;
  // A copy: the row may go while the preview is up.
  previews_.Open(context_.owner, *entry, onDevice);
}

}  // namespace dockline::download
