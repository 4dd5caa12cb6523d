#include "download/download_run.h"

#include <algorithm>
#include <exception>
#include <new>
#include <thread>
#include <utility>

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

std::string WithSkipped(std::string_view message, int skipped) {
  if (skipped == 0) return std::string(message);
  return std::string(message) + "\n已跳过" + std::to_string(skipped) + "个未改变的文件。";
}

bool IsUnchanged(const FileVersion& onDevice, const FileVersion& incoming) {
  const platform::FileTime apart = onDevice.writeTime - incoming.writeTime;
  return onDevice.size == incoming.size && onDevice.writeTime != 0 && incoming.writeTime != 0 &&
         apart <= kFatTimeStep && apart >= -kFatTimeStep;
}

namespace {

// "1,234,567 字节": a size exact to the byte, which a size in KB or MB is not
// for two versions a few bytes apart.
std::string BytesText(std::uint64_t size) {
  std::string digits = std::to_string(size);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  digits.append(" 字节");
  return digits;
}

std::string VersionText(const FileVersion& version) {
  const std::string time = platform::LocalTimeText(version.writeTime);
  return BytesText(version.size) + (time.empty() ? "" : "，" + time);
}

}  // namespace

std::string OnDeviceText(const OverwriteQuestion& question) { return VersionText(question.onDevice); }

std::string IncomingText(const OverwriteQuestion& question) {
  const FileVersion& now = question.onDevice;
  const FileVersion& next = question.incoming;
  std::string how;
  // Within FAT's two seconds the times are the same: the device keeps no finer.
  const platform::FileTime apart = next.writeTime - now.writeTime;
  if (now.writeTime != 0 && next.writeTime != 0 && (apart > kFatTimeStep || apart < -kFatTimeStep))
    how = apart > 0 ? "较新" : "较旧";
  if (next.size != now.size) how += std::string(how.empty() ? "" : "，") + (next.size > now.size ? "较大" : "较小");
  return VersionText(next) + (how.empty() ? "" : "（" + how + "）");
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

std::uint32_t DownloadFiles::Open(const std::string& path, platform::CopySource& source) { return source.Open(path); }
std::optional<std::uint64_t> DownloadFiles::FreeBytes(const std::string& root) { return platform::FreeBytes(root); }
std::optional<std::string> DownloadFiles::FileSystemName(const std::string& root) {
  return platform::FileSystemName(root);
}
std::vector<platform::FoundFile> DownloadFiles::List(const std::string& folder) {
  return platform::FindFiles(platform::JoinPath(folder, "*"));
}
void DownloadFiles::ClearAttributes(const std::string& path) { platform::ClearAttributes(path); }
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

// One piece of work at a time on a thread of its own, started with the
// first: the flush and move of one file, while the run's thread writes the
// next. An exception the work throws comes out of the Wait after it, on the
// run's thread, as it would have without a second thread.
class DownloadRun::Placer {
 public:
  ~Placer() {
    Wait(std::nothrow);
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  // Waits for the work before.
  void Start(std::function<void()> work) {
    Wait();
    {
      std::lock_guard lock(mutex_);
      work_ = std::move(work);
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    changed_.notify_all();
  }
  void Wait() {
    Wait(std::nothrow);
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  }

 private:
  void Wait(std::nothrow_t) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !work_; });
  }
  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return quit_ || work_; });
      if (!work_) return;
      lock.unlock();
      try {
        work_();
      } catch (...) {
        failure_ = std::current_exception();
      }
      lock.lock();
      work_ = nullptr;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> work_;  // set until it has run
  std::exception_ptr failure_;
  bool quit_ = false;
  std::thread thread_;
};

// A copy whose bytes are written, being flushed and moved into place on the placer.
struct DownloadRun::InFlight {
  platform::StagedCopy copy;
  std::string source, target;
  FileVersion version;
  bool replace = false;
  std::string replacementLine;
  platform::CopyResult result;  // the placer's, once it is done
};

// The prompts as the run's thread uses them: the file being placed is done
// with and told of first, so the user hears of the files in their order; and
// once that file has ended the run, or a stop came meanwhile, nothing more is
// said of the next one, which the run would not have begun.
class DownloadRun::InOrder : public DownloadPrompts {
 public:
  explicit InOrder(DownloadRun& run) : run_(run) {}
  void ShowMessage(std::string_view text) override {
    if (run_.Settled()) run_.prompts_.ShowMessage(text);
  }
  void ShowPageMessage(std::string_view text) override {
    if (run_.Settled()) run_.prompts_.ShowPageMessage(text);
  }
  std::optional<OverwriteChoice> AskOverwrite(const OverwriteQuestion& question) override {
    if (!run_.Settled()) return std::nullopt;
    return run_.prompts_.AskOverwrite(question);
  }

 private:
  DownloadRun& run_;
};

DownloadRun::DownloadRun(RunSettings settings, DownloadFiles& files, DownloadPrompts& prompts,
                         DownloadProgress& progress, PauseGate& gate)
    : settings_(std::move(settings)),
      files_(files),
      prompts_(prompts),
      progress_(progress),
      gate_(gate),
      inOrder_(std::make_unique<InOrder>(*this)),
      placer_(std::make_unique<Placer>()) {}

DownloadRun::~DownloadRun() = default;

bool DownloadRun::StopTest() {
  if (halt_ != Halt::None) return true;
  gate_.Wait(stop_);
  if (stop_.stop_requested()) halt_ = Halt::Stop;
  return halt_ != Halt::None;
}

void DownloadRun::CheckDevice() {
  presenceAsked_ = std::chrono::steady_clock::now();
  if (settings_.devicePresent && !settings_.devicePresent()) halt_ = Halt::Disconnected;
}

void DownloadRun::Step(int sevenths) {
  const int before = progress_.fileSteps.load();
  if (sevenths <= before) return;
  progress_.fileSteps = sevenths;
  progress_.overallPosition += sevenths - before;
}

void DownloadRun::FinishFile() { Step(kFileSteps); }

void DownloadRun::Counted() {
  progress_.downloaded = ++downloaded_;
  progress_.SetCounter(CounterText(downloaded_, ticked_));
}

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
  ticked_ = static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const auto& r) { return r.ticked; }));
  if (ticked_ == 0) {
    prompts_.ShowPageMessage("请选择要下载的文件。");
    return RunEnd::NotStarted;
  }
  stop_ = stop;
  halt_ = Halt::None;
  choice_ = OverwriteChoice::Yes;
  downloaded_ = skipped_ = 0;
  freeAsked_ = false;
  fileSystem_.reset();
  listed_.clear();
  progress_.downloaded = 0;
  progress_.skipped = 0;
  progress_.overallRange = total;
  progress_.overallPosition = 0;
  progress_.active = true;

  replacements_.clear();
  for (int j = 0; j < total && !StopTest(); ++j) {
    const DownloadRow& row = rows[static_cast<std::size_t>(j)];
    progress_.fileSteps = 0;
    if (row.ticked) {
      // Between rows the device is asked after at most every tenth of a
      // second: a thousand small files would otherwise ask a thousand times,
      // and a failed step asks at once all the same.
      if (std::chrono::steady_clock::now() - presenceAsked_ >= std::chrono::milliseconds(100)) CheckDevice();
      if (halt_ != Halt::None) break;
      if (settings_.runningFlag) *settings_.runningFlag = true;
      const std::string& name = row.entry.name;
      const int category = CategoryTable::categoryFromTypeText(row.typeText);
      progress_.SetStatus("正在下载 " + name);
      if (category == kNoCategory) {
        // Without a category there is no folder to put the file in.
        inOrder_->ShowMessage(name + "：文件类型无法识别，没有下载。");
      } else {
        progress_.SetCounter(CounterText(downloaded_, ticked_));
        DownloadOne(row, category);
      }
    }
  }
  Settle();

  switch (halt_) {
    case Halt::None: {
      progress_.overallPosition = progress_.overallRange.load();
      progress_.fileSteps = kFileSteps;
      prompts_.ShowPageMessage(WithReplacements(WithSkipped(kCompletedText, skipped_), replacements_));
      progress_.SetStatus(std::string(kCompletedText));
      return RunEnd::Completed;
    }
    case Halt::Stop:
      prompts_.ShowPageMessage(WithReplacements(WithSkipped(kStoppedText, skipped_), replacements_));
      progress_.SetStatus(std::string(kStoppedText));
      return RunEnd::Stopped;
    case Halt::Disconnected:
      break;
  }
  prompts_.ShowPageMessage(kDisconnectedText);
  progress_.SetStatus(std::string(kStoppedText));
  return RunEnd::Disconnected;
}

void DownloadRun::DownloadOne(const DownloadRow& row, int category) {
  const std::string& name = row.entry.name;
  const std::string target = DeviceFilePath(settings_.deviceRoot, CategoryTable::devicePath('A', category, name));
  // A file picked from the device itself is already there, whatever it would become.
  if (text::EqualsIgnoreAsciiCase(row.entry.path, target)) {
    CopyOneFile(row.entry.path, target, std::nullopt);
    return;
  }
  const ConversionPlan plan = PlanConversion(category, row.entry.path, target, settings_.rawTexts);
  // What a conversion makes is new each time: the device's copy keeps the
  // source's time, so that an unchanged source is seen as unchanged.
  std::optional<platform::FileTime> sourceTime;
  if (plan.kind != Conversion::Copy) {
    platform::CopySource source;
    const bool readable = files_.Open(row.entry.path, source) == 0;
    if (plan.kind == Conversion::Picture || plan.kind == Conversion::BookText ||
        plan.kind == Conversion::DocumentToText) {
      // The source's own faults come first, in the words a plain copy uses.
      if (!readable) return inOrder_->ShowMessage(kUnreadableSourceText);
      if (source.size == 0) return inOrder_->ShowMessage(kEmptySourceText);
    }
    if (readable) sourceTime = source.writeTime;
  }
  const PreparedFile made = PrepareForDevice(plan, row.entry.path, name, settings_.tempFolder, *inOrder_, stop_);
  if (!made.ok) return;
  const Outcome outcome = CopyOneFile(made.path, plan.target, sourceTime,
                                      made.replaced > 0 ? ReplacementLine(name, made.replaced) : std::string());
  // The bytes are on the device's side by now, in place or on their way.
  if (made.temporary) platform::RemoveFile(made.path);
  // The picture's full bar is shown for a moment, once it is there.
  if (plan.kind == Conversion::Picture && outcome == Outcome::Placing && Settle()) {
    FinishFile();
    std::mutex m;
    std::unique_lock lock(m);
    std::condition_variable_any().wait_for(lock, stop_, settings_.pictureDelay, [] { return false; });  // a stop cuts it short
  }
}

DownloadRun::Outcome DownloadRun::CopyOneFile(const std::string& source, const std::string& target,
                                              std::optional<platform::FileTime> keepTime,
                                              std::string replacementLine) {
  progress_.overallRange = static_cast<std::int64_t>(kFileSteps) * ticked_;
  if (text::EqualsIgnoreAsciiCase(source, target)) {
    FinishFile();
    Counted();
    return Outcome::There;
  }
  // The same device file twice in one run: the second sees what the first left.
  if (inFlight_ && text::EqualsIgnoreAsciiCase(inFlight_->target, target)) Settle();
  platform::CopySource in;
  if (files_.Open(source, in) != 0) {
    inOrder_->ShowMessage(kUnreadableSourceText);
    return Outcome::NotThere;
  }
  const FileVersion incoming{in.size, keepTime.value_or(in.writeTime)};
  const auto there = OnDevice(target);
  if (there && settings_.skipUnchanged && IsUnchanged({there->size, there->writeTime}, incoming)) {
    progress_.skipped = ++skipped_;
    FinishFile();
    Counted();
    return Outcome::There;
  }
  const std::string root = DeviceRootFolder(settings_.deviceRoot);
  // Refused before a byte is written: the file system could not finish it,
  // and there is no point in stopping the files after it.
  if (in.size > platform::kFatLargestFile) {
    if (!fileSystem_) fileSystem_ = files_.FileSystemName(root);
    if (*fileSystem_ && platform::IsFatFileSystem(**fileSystem_)) {
      inOrder_->ShowMessage(TooLargeForFatText(platform::FileNamePart(source)));
      return Outcome::NotThere;
    }
  }
  if (!Fits(in.size)) {
    if (Settled()) {
      prompts_.ShowMessage(kDiskFullText);
      halt_ = Halt::Stop;
    }
    return Outcome::NotThere;
  }
  if (in.size == 0) {
    inOrder_->ShowMessage(kEmptySourceText);
    return Outcome::NotThere;
  }
  if (there) {
    if (!Settled() || !MayReplace({target, {there->size, there->writeTime}, incoming})) return Outcome::NotThere;
    // A read-only file on the device must not stop its own replacement.
    if (there->readOnly) files_.ClearAttributes(target);
  }
  return Stage(in, target, incoming, there.has_value(), std::move(replacementLine));
}

bool DownloadRun::MayReplace(const OverwriteQuestion& question) {
  if (choice_ == OverwriteChoice::YesToAll) return true;
  if (choice_ == OverwriteChoice::NoToAll || StopTest()) return false;
  const auto answer = prompts_.AskOverwrite(question);
  // A question closed without an answer keeps this file: nobody said yes.
  if (StopTest() || !answer) return false;
  choice_ = *answer;
  return choice_ == OverwriteChoice::Yes || choice_ == OverwriteChoice::YesToAll;
}

DownloadRun::Outcome DownloadRun::Stage(platform::CopySource& source, const std::string& target,
                                        const FileVersion& version, bool replace, std::string replacementLine) {
  if (StopTest()) return Outcome::NotThere;
  auto flight = std::make_unique<InFlight>();
  platform::CopyOptions options;
  options.writeTime = version.writeTime;
  options.fault = files_.Faults();
  if (settings_.verify)
    options.readBack = [this](const std::string& path, std::uint64_t& hash) { return files_.HashFromMedium(path, hash); };
  const auto written = flight->copy.Stage(
      source, target,
      [&](std::uint64_t copied, std::uint64_t total) {
        Step(total == 0 ? kFileSteps : static_cast<int>(copied * kFileSteps / total));
        return !StopTest();
      },
      options);
  // The file before this one is done with before this one's news, and before
  // this one goes to be placed: never more than two files under way.
  if (!Settled() || !written.ok()) {
    if (halt_ == Halt::None) Report(written, source.path(), target);
    return Outcome::NotThere;
  }
  flight->source = source.path();
  flight->target = target;
  flight->version = version;
  flight->replace = replace;
  flight->replacementLine = std::move(replacementLine);
  inFlight_ = std::move(flight);
  placer_->Start([this, f = inFlight_.get()] {
    f->result = f->copy.Place(f->replace, [this] {
      gate_.Wait(stop_);
      return !stop_.stop_requested();
    });
  });
  return Outcome::Placing;
}

bool DownloadRun::Settle() {
  if (!inFlight_) return false;
  placer_->Wait();
  const std::unique_ptr<InFlight> done = std::move(inFlight_);
  platform::CopyResult& result = done->result;
  if (result.status == platform::CopyStatus::TargetExists) {
    // A file came there after the folder was listed: asked about like any
    // other, in what it is now.
    const auto there = OnDevice(done->target, true);
    if (!there) {
      result.status = platform::CopyStatus::PlaceFailed;
    } else if (settings_.skipUnchanged && IsUnchanged({there->size, there->writeTime}, done->version)) {
      progress_.skipped = ++skipped_;
      Counted();
      return false;
    } else if (!MayReplace({done->target, {there->size, there->writeTime}, done->version})) {
      return false;
    } else {
      if (there->readOnly) files_.ClearAttributes(done->target);
      result = done->copy.Place(true, [this] { return !StopTest(); });
    }
  }
  if (!Report(result, done->source, done->target)) return false;
  Remember(done->target, done->version);
  if (!done->replacementLine.empty()) {
    // Appended piecewise: "\n" + a temporary trips a false overlap warning of GCC 12.
    replacements_ += '\n';
    replacements_ += done->replacementLine;
  }
  Counted();
  return true;
}

bool DownloadRun::Settled() {
  Settle();
  return !StopTest();
}

bool DownloadRun::Report(const platform::CopyResult& result, const std::string& source, const std::string& target) {
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
                           (OnDevice(target) ? "，U盘上原有的文件没有改动" : "") + "，请重新下载。");
      return false;
    case CopyStatus::Stopped:
      StopTest();
      return false;
    case CopyStatus::ReadFailed:
      CheckDevice();
      if (halt_ == Halt::None) prompts_.ShowMessage("读取文件失败：" + source + Reason(result.error));
      return false;
    case CopyStatus::WriteFailed:
    case CopyStatus::PlaceFailed:
    case CopyStatus::TargetExists:
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

// One question to the system while the run's files leave plenty of room,
// and one a file once they come close: a thousand songs on a roomy device
// ask once. What was written since is counted with a cluster's slack each.
bool DownloadRun::Fits(std::uint64_t size) {
  constexpr std::uint64_t kMargin = 16ull << 20;
  constexpr std::uint64_t kClusterSlack = 32 * 1024;
  if (!freeAsked_ || (free_ && *free_ < spent_ + size + kMargin)) {
    free_ = files_.FreeBytes(DeviceRootFolder(settings_.deviceRoot));
    freeAsked_ = true;
    spent_ = 0;
  }
  if (free_ && size > *free_ - std::min(spent_, *free_)) return false;
  spent_ += size + kClusterSlack;
  return true;
}

std::optional<platform::FoundFile> DownloadRun::OnDevice(const std::string& target, bool listAgain) {
  const std::string folder(platform::FolderPart(target));
  auto known = listed_.find(folder);
  if (known == listed_.end() || listAgain) {
    std::unordered_map<std::string, platform::FoundFile> files;
    for (auto& found : files_.List(folder)) {
      std::string key = found.name;
      for (char& c : key) c = text::AsciiLower(c);
      files.emplace(std::move(key), std::move(found));
    }
    known = listed_.insert_or_assign(folder, std::move(files)).first;
  }
  std::string key(platform::FileNamePart(target));
  for (char& c : key) c = text::AsciiLower(c);
  const auto found = known->second.find(key);
  if (found == known->second.end() || found->second.directory) return std::nullopt;
  return found->second;
}

void DownloadRun::Remember(const std::string& target, const FileVersion& version) {
  const auto folder = listed_.find(std::string(platform::FolderPart(target)));
  if (folder == listed_.end()) return;
  platform::FoundFile file;
  file.name = std::string(platform::FileNamePart(target));
  file.size = version.size;
  file.writeTime = version.writeTime;
  std::string key = file.name;
  for (char& c : key) c = text::AsciiLower(c);
  folder->second.insert_or_assign(std::move(key), std::move(file));
}

}  // namespace dockline::download
