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

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "download/file_conversion.h"
#include "download/file_entry.h"
#include "platform/file_copy.h"
#include "platform/notifier.h"

namespace dockline::download {

// The answers of the overwrite question, numbered as its buttons store them.
enum class OverwriteChoice : std::int32_t { Yes = 1, YesToAll = 2, NoToAll = 3, No = 4 };

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
  std::atomic<int> downloaded{0};  // files placed on the device so far
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
  // "该文件已存在，是否覆盖？" for `target`; std::nullopt when the question
  // was closed without an answer (this file is kept, the choice in force
  // stays) or released by a stop.
  virtual std::optional<OverwriteChoice> AskOverwrite(const std::string& target) = 0;
};

// What the run asks of the file system. The default is the platform's; tests
// put faults in.
class DownloadFiles {
 public:
  virtual ~DownloadFiles() = default;
  virtual std::optional<std::uint64_t> ReadableSize(const std::string& path, std::uint32_t& error);
  virtual std::optional<std::uint64_t> FreeBytes(const std::string& root);
  virtual std::optional<std::string> FileSystemName(const std::string& root);
  virtual bool Exists(const std::string& path);
  virtual void ClearAttributes(const std::string& path);
  // With `verify`, the copy is read back through HashFromMedium before it
  // replaces anything (platform::CopyFileStreaming).
  virtual platform::CopyResult Copy(const std::string& source, const std::string& target,
                                    const platform::CopyProgress& progress, bool verify);
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

  RunEnd Run(const std::vector<DownloadRow>& rows, std::stop_token stop);

  // One file onto the device: true when it is there (copied, or already the
  // same file). Conversions have made their file before (file_conversion.h).
  bool CopyOneFile(const std::string& source, std::string& target, int ticked);

  OverwriteChoice Choice() const { return choice_; }

 private:
  enum class Halt { None, Stop, Disconnected };
  bool StopTest();
  void Step(int sevenths);
  void FinishFile();
  // After a failure: when the device has gone, the run ends.
  void CheckDevice();
  // The row's file converted as it must be and placed; true when it is on the device.
  bool DownloadOne(const DownloadRow& row, int category, int ticked);
  bool PlaceFile(const std::string& source, const std::string& target);

  RunSettings settings_;
  DownloadFiles& files_;
  DownloadPrompts& prompts_;
  DownloadProgress& progress_;
  PauseGate& gate_;
  std::stop_token stop_;
  Halt halt_ = Halt::None;
  OverwriteChoice choice_ = OverwriteChoice::Yes;
  std::string replacements_;  // lines naming the texts whose characters became '?'
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
