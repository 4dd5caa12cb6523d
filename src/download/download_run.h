#pragma once
// One download: the ticked rows of the PC list copied (or converted) into the
// device folders of their categories, with the progress the page shows, the
// overwrite question and the stop.
//
// The run is plain C++ and runs on the worker thread. It never touches a
// window: it fills a DownloadProgress that the page reads on a timer, and
// asks its questions and shows its messages through DownloadPrompts, which
// the page answers on the UI thread. It works on a snapshot of the rows taken
// when the download starts, so the list may change meanwhile without effect.
//
// Stop tests: the run looks at its stop token (and waits at the pause gate)
// before each row, before the overwrite question, before each copy, after
// every block copied, after the copy is flushed (and read back) and before it
// is moved into place, and after each row.
//
// A file is copied in two halves: its bytes are written under a temporary
// name on the run's thread, then flushed, read back when asked for and moved
// into place on a second thread, while the run's thread goes on to the next
// file. At most those two files are under way; the one being placed is done
// with (placed, counted, its messages told) before the next one goes to be
// placed and before anything more is said to the user, so questions,
// messages and counters come in the order of the rows.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "download/file_conversion.h"
#include "download/file_entry.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"
#include "platform/notifier.h"

namespace dockline::download {

// The answers of the overwrite question, numbered as its buttons store them.
enum class OverwriteChoice : std::int32_t { Yes = 1, YesToAll = 2, NoToAll = 3, No = 4 };

// One version of a file: the size it has (or will have) on the device and
// its last write.
struct FileVersion {
  std::uint64_t size = 0;
  platform::FileTime writeTime = 0;
};

// What the overwrite question shows: the device's copy of a file beside the
// one that would take its place (its converted size, the source's time).
struct OverwriteQuestion {
  std::string target;
  FileVersion onDevice, incoming;
};
inline constexpr std::string_view kOverwriteQuestionText = "该文件已存在，是否覆盖？";
inline constexpr std::string_view kOnDeviceLabel = "U盘上的文件：";
inline constexpr std::string_view kIncomingLabel = "新的文件：";
// The two versions as the question shows them after their labels:
// "1,234,567 字节，2024-05-01 12:30:46", the new one followed by how it
// differs ("（较新，较大）").
std::string OnDeviceText(const OverwriteQuestion& question);
std::string IncomingText(const OverwriteQuestion& question);

// FAT keeps a file's last write to two seconds.
inline constexpr platform::FileTime kFatTimeStep = 2 * platform::kFileTimeTicksPerSecond;
// The device's copy is what would be written again: the same size and the
// same last write, within FAT's two seconds.
bool IsUnchanged(const FileVersion& onDevice, const FileVersion& incoming);

// One row of the PC list as it stood when the download started.
struct DownloadRow {
  bool ticked = false;
  std::string typeText;  // "3.电子图书": the row's category
  FileEntry entry;       // name and path are used
};

// A file's share of the overall bar, and the full mark of the per-file bar.
inline constexpr int kFileSteps = 7;

// What the user sees, kept by the worker and read by the UI thread. Numbers
// are atomics; the two texts change together under a lock.
class DownloadProgress {
 public:
  std::atomic<int> downloaded{0};  // files placed on the device so far, the unchanged ones left there among them
  std::atomic<int> skipped{0};     // files left as they were on the device, unchanged
  // The overall bar: kFileSteps per ticked file.
  std::atomic<std::int64_t> overallPosition{0};
  std::atomic<std::int64_t> overallRange{0};
  // The per-file bar, in steps of the current file (kFileSteps: full).
  std::atomic<int> fileSteps{0};
  std::atomic<bool> active{false};  // from the first row to the run's end: the download view is up

  void SetStatus(std::string text);
  void SetCounter(std::string text);
  std::string Status() const;
  std::string Counter() const;
  // Grows with every change of a text, so a timer can skip unchanged ones.
  unsigned TextVersion() const { return textVersion_.load(); }

 private:
  mutable std::mutex mutex_;
  std::string status_;
  std::string counter_;
  std::atomic<unsigned> textVersion_{0};
};

// "已下载文件数：C/K"; CounterText(0, 0) when no download runs.
std::string CounterText(int downloaded, int ticked);
// "下载完毕" and the like, with the number of unchanged files left alone.
std::string WithSkipped(std::string_view message, int skipped);

// Holds the worker at its next stop test while the page asks "stop the
// download?". Pause and Resume come from the UI thread; a stop always lets
// the worker through.
class PauseGate {
 public:
  void Pause();
  void Resume();
  // Returns once the gate is open or a stop is asked.
  void Wait(std::stop_token stop);

 private:
  mutable std::mutex mutex_;
  std::condition_variable_any opened_;
  bool paused_ = false;
};

// Questions and messages, answered by the user.
class DownloadPrompts : public platform::Notifier {
 public:
  // ShowMessage (from Notifier): an application message box.
  // A message box of the page, captioned "提示".
  virtual void ShowPageMessage(std::string_view text) = 0;
  // Whether to replace the device's copy of a file; std::nullopt when the
  // question was closed without an answer (this file is kept, the choice in
  // force stays) or released by a stop.
  virtual std::optional<OverwriteChoice> AskOverwrite(const OverwriteQuestion& question) = 0;
};

// What the run asks of the file system. The default is the platform's; tests
// put faults in. The copy's second half runs on another thread than the
// rest: HashFromMedium and the faults Faults() answers are asked there.
class DownloadFiles {
 public:
  virtual ~DownloadFiles() = default;
  // Opens a file to copy (or convert): 0 or the system's error code.
  virtual std::uint32_t Open(const std::string& path, platform::CopySource& source);
  virtual std::optional<std::uint64_t> FreeBytes(const std::string& root);
  virtual std::optional<std::string> FileSystemName(const std::string& root);
  // What a device folder holds; asked once a run for each folder written to.
  virtual std::vector<platform::FoundFile> List(const std::string& folder);
  virtual void ClearAttributes(const std::string& path);
  // What the copies' steps meet besides the system's own answers; nothing here.
  virtual platform::StepFault Faults() { return {}; }
  // The hash of the file as the device gives it back, past every cache;
  // 0 or the system's error code.
  virtual std::uint32_t HashFromMedium(const std::string& path, std::uint64_t& hash);
};

// Where the device is: a drive root ("G:") or a folder the device is mounted
// at ("/media/6170"). Device paths of the category table ("G:\mp3\a.mp3")
// are resolved against it.
std::string DeviceFilePath(const std::string& deviceRoot, std::string_view tablePath);
std::string DeviceRootFolder(const std::string& deviceRoot);  // "G:\" or the folder

enum class RunEnd {
  NotStarted,    // no device, or no row ticked: the view was never switched
  Completed,     // "下载完毕"
  Stopped,       // "下载已终止": a stop, or the device's space ran out
  Disconnected,  // the device went away; one message said so
};

struct RunSettings {
  std::string deviceRoot;               // "" when there is no device
  std::function<bool()> devicePresent;  // asked between rows and after a failure
  std::string tempFolder;               // for the files conversions make; "" the system's
  std::chrono::milliseconds pictureDelay{100};  // shows the full bar after a picture
  std::atomic<bool>* runningFlag = nullptr;  // set from the first ticked row to the end
  bool rawTexts = false;                // .txt and .lrc go across as they are, whatever their encoding
  // Each copy is read back from the device and compared with what was read
  // from the PC before it replaces anything; one that differs is removed and
  // not counted, and the device's old version stays.
  bool verify = false;
  // A file whose device copy IsUnchanged is left alone: no question, no write.
  bool skipUnchanged = true;
};

inline constexpr std::string_view kNotOnlineText = "言途6170没有联机!";
inline constexpr std::string_view kNoFilesText = "没有可下载的文件";
inline constexpr std::string_view kCompletedText = "下载完毕";
inline constexpr std::string_view kStoppedText = "下载已终止";
inline constexpr std::string_view kDisconnectedText = "言途6170已断开连接，下载已终止。";
inline constexpr std::string_view kDiskFullText = "您的磁盘空间不足。";
// A file of 4 GiB or more for a device formatted FAT.
std::string TooLargeForFatText(std::string_view name);

class DownloadRun {
 public:
  DownloadRun(RunSettings settings, DownloadFiles& files, DownloadPrompts& prompts, DownloadProgress& progress,
              PauseGate& gate);
  ~DownloadRun();

  RunEnd Run(const std::vector<DownloadRow>& rows, std::stop_token stop);

  OverwriteChoice Choice() const { return choice_; }

 private:
  enum class Halt { None, Stop, Disconnected };
  enum class Outcome { NotThere, There, Placing };
  class Placer;
  class InOrder;
  struct InFlight;

  bool StopTest();
  void Step(int sevenths);
  void FinishFile();
  void Counted();
  // After a failure: when the device has gone, the run ends.
  void CheckDevice();
  // The row's file converted as it must be and placed.
  void DownloadOne(const DownloadRow& row, int category);
  // One file onto the device, keeping `keepTime` (a conversion's source's)
  // or else the file's own last write.
  Outcome CopyOneFile(const std::string& source, const std::string& target, std::optional<platform::FileTime> keepTime,
                      std::string replacementLine = {});
  // The copy's first half, then the second handed to the placer.
  Outcome Stage(platform::CopySource& source, const std::string& target, const FileVersion& version, bool replace,
                std::string replacementLine);
  // The file being placed is done with and told of; true when it was placed.
  bool Settle();
  // Settle, then whether the run may go on with the next file (a stop test).
  bool Settled();
  // The failure or warning of a copy told; true when the copy is on the device.
  bool Report(const platform::CopyResult& result, const std::string& source, const std::string& target);
  // The overwrite question (unless the choice in force answers it); true: replace.
  bool MayReplace(const OverwriteQuestion& question);
  bool Fits(std::uint64_t size);
  // What the device holds at `target`, from a listing of its folder made once a run.
  std::optional<platform::FoundFile> OnDevice(const std::string& target, bool listAgain = false);
  void Remember(const std::string& target, const FileVersion& version);

  RunSettings settings_;
  DownloadFiles& files_;
  DownloadPrompts& prompts_;
  DownloadProgress& progress_;
  PauseGate& gate_;
  std::unique_ptr<InOrder> inOrder_;
  std::stop_token stop_;
  Halt halt_ = Halt::None;
  OverwriteChoice choice_ = OverwriteChoice::Yes;
  std::string replacements_;  // lines naming the texts whose characters became '?'
  int ticked_ = 0, downloaded_ = 0, skipped_ = 0;
  std::chrono::steady_clock::time_point presenceAsked_{};
  // The free space last asked of the system, and what the run has written since.
  bool freeAsked_ = false;
  std::optional<std::uint64_t> free_;
  std::uint64_t spent_ = 0;
  std::optional<std::optional<std::string>> fileSystem_;
  // Device folders as listed, by the ASCII-folded names of their files (FAT
  // takes names without regard to case).
  std::unordered_map<std::string, std::unordered_map<std::string, platform::FoundFile>> listed_;
  std::unique_ptr<InFlight> inFlight_;
  std::unique_ptr<Placer> placer_;  // after inFlight_: it goes first, joined, before the copy it may hold is given up
};

// The checks of the Download command before a worker starts: the device is
// online and there are rows. Answers whether to start; messages go to
// `notifier`. It touches nothing on the device, so the UI thread may ask it.
bool PrepareDownload(const std::string& deviceRoot, bool deviceOnline, std::size_t rowCount,
                     platform::Notifier& notifier);

// What a run does on its worker before it looks at its rows: creates the device
// folders (failures, an existing folder among them, are of no concern) and
// removes what an interrupted write left under a temporary name in every
// folder a download writes to. A stop ends it between folders.
void PrepareDeviceFolders(const std::string& deviceRoot, std::stop_token stop = {});

}  // namespace dockline::download
