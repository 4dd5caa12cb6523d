#include "download/download_run.h"

#include <algorithm>
#include <thread>

#include "download/category_table.h"
#include "platform/file_system.h"
#include "text/encoding.h"

namespace dockline::download {
namespace {


bool IsDriveRoot(const std::string& root) {
  return (root.size() == 2 || (root.size() == 3 && (root[2] == '\\' || root[2] == '/'))) && root[1] == ':';
}

std::string Reason(std::uint32_t code) { return "（" + platform::ErrorText(code) + "）"; }

}  // namespace

void DownloadProgress::SetStatus(std::string text) {
  std::lock_guard lock(mutex_);
  status_ = std::move(text);
  ++textVersion_;
}

void DownloadProgress::SetCounter(std::string text) {
  std::lock_guard lock(mutex_);
  counter_ = std::move(text);
  ++textVersion_;
}

std::string DownloadProgress::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::string DownloadProgress::Counter() const {
  std::lock_guard lock(mutex_);
  return counter_;
}

std::string CounterText(int downloaded, int ticked) {
  return "已下载文件数：" + std::to_string(downloaded) + "/" + std::to_string(ticked);
}

void PauseGate::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void PauseGate::Resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  opened_.notify_all();
}

void PauseGate::Wait(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  opened_.wait(lock, stop, [this] { return !paused_; });
}

std::optional<std::uint64_t> DownloadFiles::ReadableSize(const std::string& path, std::uint32_t& error) {
  return platform::ReadableFileSize(path, &error);
}
std::optional<std::uint64_t> DownloadFiles::FreeBytes(const std::string& root) { return platform::FreeBytes(root); }
std::optional<std::string> DownloadFiles::FileSystemName(const std::string& root) {
  return platform::FileSystemName(root);
}
bool DownloadFiles::Exists(const std::string& path) { return platform::FileExists(path); }
void DownloadFiles::ClearAttributes(const std::string& path) { platform::ClearAttributes(path); }
platform::CopyResult DownloadFiles::Copy(const std::string& source, const std::string& target,
                                         const platform::CopyProgress& progress, bool verify) {
  platform::ReadBack readBack;
  if (verify) readBack = [this](const std::string& path, std::uint64_t& hash) { return HashFromMedium(path, hash); };
  return platform::CopyFileStreaming(source, target, progress, readBack);
}
std::uint32_t DownloadFiles::HashFromMedium(const std::string& path, std::uint64_t& hash) {
  return platform::HashFileFromMedium(path, hash);
}

std::string DeviceFilePath(const std::string& deviceRoot, std::string_view tablePath) {
  if (tablePath.size() < 2) return {};
  if (IsDriveRoot(deviceRoot)) return deviceRoot.substr(0, 1) + std::string(tablePath.substr(1));
  std::string root = deviceRoot;
  while (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
  std::string rest(tablePath.substr(2));
  // A folder spelt with '/' is a POSIX mount point: the rest follows suit.
  if (root.find('/') != std::string::npos && root.find('\\') == std::string::npos)
    std::replace(rest.begin(), rest.end(), '\\', '/');
  return root + rest;
}

std::string DeviceRootFolder(const std::string& deviceRoot) {
  if (IsDriveRoot(deviceRoot)) return deviceRoot.substr(0, 2) + "\\";
  return deviceRoot;
}

std::string TooLargeForFatText(std::string_view name) {
  return std::string(name) + "：文件有4GB或更大，而言途6170的磁盘是FAT文件系统，每个文件最大不到4GB，所以没有下载。";
}

bool PrepareDownload(const std::string& deviceRoot, bool deviceOnline, std::size_t rowCount,
                     platform::Notifier& notifier) {
  if (!deviceOnline || deviceRoot.empty()) {
    notifier.ShowMessage(kNotOnlineText);
    return false;
  }
  if (rowCount == 0) {
    notifier.ShowMessage(kNoFilesText);
    return false;
  }
  return true;
}

void PrepareDeviceFolders(const std::string& deviceRoot, std::stop_token stop) {
  const auto folders = CategoryTable::allDeviceFolders('A');
  for (const auto& folder : folders) {
    if (stop.stop_requested()) return;
    platform::MakeDirectory(DeviceFilePath(deviceRoot, folder));
  }
  // What a copy or a picture cut short by a pulled cable left under its
  // temporary name: only our own names end so, and none of them is a
  // finished file. The encyclopedia's folder is written to as well, though
  // it is the device's own to make.
  std::vector<std::string> written(folders.begin(), folders.end());
  std::string encyclopedia(1, 'A');
  encyclopedia += platform::FolderPart(kEncyclopediaPath);
  written.push_back(std::move(encyclopedia));
  for (const auto& folder : written) {
    if (stop.stop_requested()) return;
    const std::string path = DeviceFilePath(deviceRoot, folder);
    for (const char* suffix : {platform::kPartialSuffix, platform::kReplaceSuffix})
      for (const auto& found : platform::FindFiles(platform::JoinPath(path, std::string("*") + suffix)))
        if (!found.directory) platform::RemoveFile(platform::JoinPath(path, found.name));
  }
}

DownloadRun::DownloadRun(RunSettings settings, DownloadFiles& files, DownloadPrompts& prompts,
                         DownloadProgress& progress, PauseGate& gate)
    : settings_(std::move(settings)), files_(files), prompts_(prompts), progress_(progress), gate_(gate) {}

bool DownloadRun::StopTest() {
  if (halt_ != Halt::None) return true;
  gate_.Wait(stop_);
  if (stop_.stop_requested()) halt_ = Halt::Stop;
  return halt_ != Halt::None;
}

void DownloadRun::CheckDevice() {
  if (settings_.devicePresent && !settings_.devicePresent()) halt_ = Halt::Disconnected;
}

void DownloadRun::Step(int sevenths) {
  const int before = progress_.fileSteps.load();
  if (sevenths <= before) return;
  progress_.fileSteps = sevenths;
  progress_.overallPosition += sevenths - before;
}

void DownloadRun::FinishFile() { Step(kFileSteps); }

RunEnd DownloadRun::Run(const std::vector<DownloadRow>& rows, std::stop_token stop) {
  struct Finish {  // every way out marks the end
    DownloadProgress& progress;
    std::atomic<bool>* running;
    ~Finish() {
      progress.active = false;
      if (running) *running = false;
    }
  } finish{progress_, settings_.runningFlag};

  if (settings_.deviceRoot.empty()) {
    prompts_.ShowMessage(kNotOnlineText);
    return RunEnd::NotStarted;
  }
  // Here rather than before the worker starts: on a slow device the folder
  // work alone would hold the window. Before the rows are looked at, as it
  // always was: a download with nothing ticked still clears what a cut copy left.
  PrepareDeviceFolders(settings_.deviceRoot, stop);
  const int total = static_cast<int>(rows.size());
  const int ticked = static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const auto& r) { return r.ticked; }));
  if (ticked == 0) {
    prompts_.ShowPageMessage("请选择要下载的文件。");
    return RunEnd::NotStarted;
  }
  stop_ = stop;
  halt_ = Halt::None;
  choice_ = OverwriteChoice::Yes;
  progress_.downloaded = 0;
  progress_.overallRange = total;
  progress_.overallPosition = 0;
  progress_.active = true;

  replacements_.clear();
  int downloaded = 0;
  for (int j = 0; j < total && !StopTest(); ++j) {
    const DownloadRow& row = rows[static_cast<std::size_t>(j)];
    progress_.fileSteps = 0;
    if (row.ticked) {
      CheckDevice();
      if (halt_ != Halt::None) break;
      if (settings_.runningFlag) *settings_.runningFlag = true;
      const std::string& name = row.entry.name;
      const int category = CategoryTable::categoryFromTypeText(row.typeText);
      progress_.SetStatus("正在下载 " + name);
      if (category == kNoCategory) {
        // Without a category there is no folder to put the file in.
        prompts_.ShowMessage(name + "：文件类型无法识别，没有下载。");
      } else {
        progress_.SetCounter(CounterText(downloaded, ticked));
        if (DownloadOne(row, category, ticked)) {
          progress_.downloaded = ++downloaded;
          progress_.SetCounter(CounterText(downloaded, ticked));
          FinishFile();
        }
      }
    }
  }

  switch (halt_) {
    case Halt::None:
      progress_.overallPosition = progress_.overallRange.load();
      progress_.fileSteps = kFileSteps;
      prompts_.ShowPageMessage(WithReplacements(kCompletedText, replacements_));
      progress_.SetStatus(std::string(kCompletedText));
      return RunEnd::Completed;
    case Halt::Stop:
      prompts_.ShowPageMessage(WithReplacements(kStoppedText, replacements_));
      progress_.SetStatus(std::string(kStoppedText));
      return RunEnd::Stopped;
    case Halt::Disconnected:
      break;
  }
  prompts_.ShowPageMessage(kDisconnectedText);
  progress_.SetStatus(std::string(kStoppedText));
  return RunEnd::Disconnected;
}

bool DownloadRun::DownloadOne(const DownloadRow& row, int category, int ticked) {
  const std::string& name = row.entry.name;
  std::string target = DeviceFilePath(settings_.deviceRoot, CategoryTable::devicePath('A', category, name));
  // A file picked from the device itself is already there, whatever it would become.
  if (text::EqualsIgnoreAsciiCase(row.entry.path, target)) return CopyOneFile(row.entry.path, target, ticked);
  const ConversionPlan plan = PlanConversion(category, row.entry.path, target, settings_.rawTexts);
  if (plan.kind == Conversion::Picture || plan.kind == Conversion::BookText || plan.kind == Conversion::DocumentToText) {
    // The source's own faults come first, in the words a plain copy uses.
    std::uint32_t error = 0;
    const auto size = files_.ReadableSize(row.entry.path, error);
    if (!size) {
      prompts_.ShowMessage(kUnreadableSourceText);
      return false;
    }
    if (*size == 0) {
      prompts_.ShowMessage(kEmptySourceText);
      return false;
    }
  }
  const PreparedFile made = PrepareForDevice(plan, row.entry.path, name, settings_.tempFolder, prompts_, stop_);
  if (!made.ok) return false;
  target = plan.target;
  const bool placed = CopyOneFile(made.path, target, ticked);
  if (made.temporary) platform::RemoveFile(made.path);
  if (placed && made.replaced > 0) {
    // Appended piecewise: "\n" + a temporary trips a false overlap warning of GCC 12.
    replacements_ += '\n';
    replacements_ += ReplacementLine(name, made.replaced);
  }
  if (placed && plan.kind == Conversion::Picture) {
    FinishFile();
    std::mutex m;
    std::unique_lock lock(m);
    std::condition_variable_any().wait_for(lock, stop_, settings_.pictureDelay, [] { return false; });  // a stop cuts it short
  }
  return placed;
}

bool DownloadRun::CopyOneFile(const std::string& source, std::string& target, int ticked) {
  progress_.overallRange = static_cast<std::int64_t>(kFileSteps) * ticked;
  if (text::EqualsIgnoreAsciiCase(source, target)) {
    FinishFile();
    return true;
  }
  std::uint32_t error = 0;
  const auto size = files_.ReadableSize(source, error);
  if (!size) {
    prompts_.ShowMessage(kUnreadableSourceText);
    return false;
  }
  const std::string root = DeviceRootFolder(settings_.deviceRoot);
  // Refused before a byte is written: the file system could not finish it,
  // and there is no point in stopping the files after it.
  if (*size > platform::kFatLargestFile) {
    const auto fileSystem = files_.FileSystemName(root);
    if (fileSystem && platform::IsFatFileSystem(*fileSystem)) {
      prompts_.ShowMessage(TooLargeForFatText(platform::FileNamePart(source)));
      return false;
    }
  }
  const auto free = files_.FreeBytes(root);
  if (free && *size > *free) {
    prompts_.ShowMessage(kDiskFullText);
    halt_ = Halt::Stop;
    return false;
  }
  if (*size == 0) {
    prompts_.ShowMessage(kEmptySourceText);
    return false;
  }
  if (choice_ != OverwriteChoice::YesToAll && files_.Exists(target)) {
    if (choice_ == OverwriteChoice::NoToAll || StopTest()) return false;
    const auto answer = prompts_.AskOverwrite(target);
    // A question closed without an answer keeps this file: nobody said yes.
    if (StopTest() || !answer) return false;
    choice_ = *answer;
    if (choice_ == OverwriteChoice::No || choice_ == OverwriteChoice::NoToAll) return false;
  }
  // A read-only file on the device must not stop its own replacement.
  files_.ClearAttributes(target);
  return PlaceFile(source, target);
}

bool DownloadRun::PlaceFile(const std::string& source, const std::string& target) {
  if (StopTest()) return false;
  const auto result = files_.Copy(
      source, target,
      [&](std::uint64_t copied, std::uint64_t total) {
        Step(total == 0 ? kFileSteps : static_cast<int>(copied * kFileSteps / total));
        return !StopTest();
      },
      settings_.verify);
  using platform::CopyStatus;
  switch (result.status) {
    case CopyStatus::Copied:
      // Not a sign of a bad copy: the user hears that it went unchecked.
      if (result.unchecked != 0)
        prompts_.ShowMessage("写入后校验未能完成：" + target + "（无法读回：" + platform::ErrorText(result.unchecked) +
                             "），文件已经下载，但没有校验。");
      return true;
    case CopyStatus::Mismatch:
      CheckDevice();
      if (halt_ == Halt::Disconnected) return false;
      prompts_.ShowMessage("写入后校验失败：" + target + "（从U盘读回的内容与原文件不一致），没有下载这个文件" +
                           (files_.Exists(target) ? "，U盘上原有的文件没有改动" : "") + "，请重新下载。");
      return false;
    case CopyStatus::Stopped:
      return false;
    case CopyStatus::ReadFailed:
      CheckDevice();
      if (halt_ == Halt::None) prompts_.ShowMessage("读取文件失败：" + source + Reason(result.error));
      return false;
    case CopyStatus::WriteFailed:
    case CopyStatus::PlaceFailed:
      CheckDevice();
      if (halt_ != Halt::None) return false;
      if (platform::IsDiskFull(result.error)) {
        prompts_.ShowMessage(kDiskFullText);
        halt_ = Halt::Stop;
      } else {
        prompts_.ShowMessage("写入文件失败：" + target + Reason(result.error));
      }
      return false;
  }
  return false;
}

}  // namespace dockline::download
