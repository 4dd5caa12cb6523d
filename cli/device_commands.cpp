// What is on the device, from the command line: list, push, rm. The same
// core as the program's download page, so a script gets the same folders,
// conversions, overwrite rules and messages.
//
// Exit status: 0 everything asked for was done; 1 some file was not
// downloaded or deleted (each told on stderr); 3 the download was stopped
// (out of space, or interrupted); 4 the device went away during the
// download; 5 no device; 64 wrong arguments.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

#include "cli/commands.h"
#include "device/device_locator.h"
#include "download/category_table.h"
#include "download/device_files.h"
#include "download/download_run.h"
#include "platform/file_system.h"

namespace dockline::cli {
namespace {

constexpr int kSomeFailed = 1;
constexpr int kStopped = 3;
constexpr int kDisconnected = 4;
constexpr int kNoDevice = 5;
constexpr int kUsageError = 64;

std::atomic<bool> gInterrupted{false};
extern "C" void OnInterrupt(int) { gInterrupted = true; }

// Where the device is: "--device DIR" taken from the arguments, or the drive
// the locator finds.
struct Device {
  std::string root;  // "" when there is none
  bool mounted = false;
  bool Present() const {
    if (mounted) return platform::IsDirectory(root);
    return !root.empty() && device::FindDeviceDrive() == root[0];
  }
};

bool TakeOption(Args& args, const std::string& name, std::string& value) {
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == name) {
      value = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      return true;
    }
  }
  return false;
}

bool TakeFlag(Args& args, const std::string& name) {
  const auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end()) return false;
  args.erase(it);
  return true;
}

std::optional<Device> FindDevice(Args& args) {
  Device d;
  if (TakeOption(args, "--device", d.root)) {
    d.mounted = true;
    if (!platform::IsDirectory(d.root)) {
      Err("没有这个文件夹：" + d.root + "\n");
      return std::nullopt;
    }
    return d;
  }
  if (const char letter = device::FindDeviceDrive()) {
    d.root = std::string(1, letter) + ":";
    return d;
  }
  Err(std::string(download::kNotOnlineText) + "\n");
  return std::nullopt;
}

// "1".."9" (as rows number them) or a category's label, blanks or none.
int ParseCategory(const std::string& text) {
  if (const int category = download::CategoryTable::categoryFromName(text); category != download::kNoCategory)
    return category;
  Err("不认识的类别：" + text + "（1..9 或类别名称）\n");
  return download::kNoCategory;
}

class StderrNotifier : public platform::Notifier {
 public:
  void ShowMessage(std::string_view text) override { Err(std::string(text) + "\n"); }
};

int List(const Args& given) {
  Args args = given;
  const auto device = FindDevice(args);
  if (args.size() != 1) {
    Err("usage: dockline-cli list [--device DIR] CATEGORY\n");
    return kUsageError;
  }
  if (!device) return kNoDevice;
  const int category = ParseCategory(args[0]);
  if (category == download::kNoCategory) return kUsageError;
  StderrNotifier notifier;
  const auto rows = download::ListCategoryFiles(device->root, category, [&] { return device->Present(); }, notifier);
  for (const auto& row : rows)
    Out(std::to_string(row.size) + "\t" + row.path + "\t" + platform::LocalTimeText(row.writeTime) + "\n");
  return 0;
}

int Remove(const Args& given) {
  Args args = given;
  if (args.empty()) {
    Err("usage: dockline-cli rm PATH...\n");
    return kUsageError;
  }
  int status = 0;
  for (const auto& path : args) {
    if (!platform::FileExists(path)) {
      Err("没有这个文件：" + path + "\n");
      status = kSomeFailed;
      continue;
    }
    for (const auto& failure : download::DeleteDeviceFile(path, download::CategoryNumberOfDevicePath(path)).failures) {
      Err(failure + "\n");
      status = kSomeFailed;
    }
  }
  return status;
}

enum class Overwrite { Yes, No, Ask };

// The device's copy and the new one, a line each, as the program's question shows them.
std::string Versions(const download::OverwriteQuestion& question) {
  return "\n  " + std::string(download::kOnDeviceLabel) + download::OnDeviceText(question) + "\n  " +
         std::string(download::kIncomingLabel) + download::IncomingText(question);
}

// Messages and questions on the terminal. Output is serialised with the
// progress line, which is cleared before anything else is written.
class TerminalPrompts : public download::DownloadPrompts {
 public:
  TerminalPrompts(Overwrite mode, bool progressLine) : mode_(mode), progressLine_(progressLine) {}

  void ShowMessage(std::string_view text) override { Say(std::string(text)); }
  void ShowPageMessage(std::string_view text) override { Say(std::string(text)); }
  std::optional<download::OverwriteChoice> AskOverwrite(const download::OverwriteQuestion& question) override {
    using C = download::OverwriteChoice;
    if (mode_ == Overwrite::Yes) return C::Yes;
    if (mode_ == Overwrite::No) {
      Say("已存在，没有覆盖：" + question.target + Versions(question));
      return C::No;
    }
    std::lock_guard lock(mutex_);
    ClearLine();
    for (;;) {
      Err(question.target + Versions(question) + "\n" + std::string(download::kOverwriteQuestionText) +
          " [y 是 / a 全是 / s 全否 / n 否] ");
      std::string answer;
      // The end of the input answers no: a script is never taken to agree.
      if (!ReadLine(answer)) return C::No;
      if (answer == "y") return C::Yes;
      if (answer == "a") return C::YesToAll;
      if (answer == "s") return C::NoToAll;
      if (answer == "n") return C::No;
    }
  }

  void ShowProgress(const download::DownloadProgress& p) {
    if (!progressLine_ || !p.active) return;
    std::lock_guard lock(mutex_);
    const auto range = p.overallRange.load();
    const long long percent = range > 0 ? p.overallPosition.load() * 100 / range : 0;
    Err("\r\x1b[K" + p.Counter() + "  " + std::to_string(percent) + "%  " + p.Status());
    shown_ = true;
  }

 private:
  void Say(const std::string& text) {
    std::lock_guard lock(mutex_);
    ClearLine();
    Err(text + "\n");
  }
  void ClearLine() {
    if (shown_) Err("\r\x1b[K");
    shown_ = false;
  }

  Overwrite mode_;
  bool progressLine_;
  bool shown_ = false;
  std::mutex mutex_;
};

int Push(const Args& given) {
  Args args = given;
  // --raw: texts go across as they are, even when they are not GBK.
  const bool rawTexts = TakeFlag(args, "--raw");
  std::string overwrite = "ask";
  const bool overwriteGiven = TakeOption(args, "--overwrite", overwrite);
  const bool verify = TakeFlag(args, "--verify");
  // --all: every file written again, those the device holds unchanged too.
  const bool all = TakeFlag(args, "--all");
  const auto device = FindDevice(args);
  if (args.size() < 2 || (overwrite != "yes" && overwrite != "no" && overwrite != "ask")) {
    Err("usage: dockline-cli push [--device DIR] [--overwrite yes|no|ask] [--raw] [--verify] [--all] CATEGORY FILE...\n");
    return kUsageError;
  }
  if (!device) return kNoDevice;
  const int category = ParseCategory(args[0]);
  if (category == download::kNoCategory) return kUsageError;
  // Without a terminal to answer on, existing files are kept unless told otherwise.
  Overwrite mode = overwrite == "yes" ? Overwrite::Yes : overwrite == "no" ? Overwrite::No : Overwrite::Ask;
  if (!overwriteGiven && !ErrIsTerminal()) mode = Overwrite::No;

  std::vector<download::DownloadRow> rows;
  for (std::size_t i = 1; i < args.size(); ++i) {
    download::DownloadRow row;
    row.ticked = true;
    row.typeText = download::CategoryTable::typeText(category);
    row.entry.marked = true;
    row.entry.name = std::string(platform::FileNamePart(args[i]));
    row.entry.categoryNumber = category + 1;
    row.entry.path = args[i];
    rows.push_back(std::move(row));
  }
  TerminalPrompts prompts(mode, ErrIsTerminal());
  if (!download::PrepareDownload(device->root, true, rows.size(), prompts)) return kNoDevice;

  download::DownloadProgress progress;
  download::PauseGate gate;
  download::DownloadFiles files;
  download::RunSettings settings;
  settings.deviceRoot = device->root;
  settings.devicePresent = [&] { return device->Present(); };
  settings.rawTexts = rawTexts;
  settings.verify = verify;
  settings.skipUnchanged = !all;
  download::DownloadRun run(settings, files, prompts, progress, gate);

  std::stop_source stop;
  std::signal(SIGINT, OnInterrupt);
  std::jthread watcher([&](std::stop_token done) {
    std::mutex mutex;
    std::condition_variable_any tick;
    std::unique_lock lock(mutex);
    // Woken at once when the run ends, so a short run is not held up by it.
    while (!done.stop_requested()) {
      if (gInterrupted) stop.request_stop();
      prompts.ShowProgress(progress);
      tick.wait_for(lock, done, std::chrono::milliseconds(200), [] { return false; });
    }
  });
  const download::RunEnd end = run.Run(rows, stop.get_token());
  watcher.request_stop();
  watcher.join();
  switch (end) {
    case download::RunEnd::NotStarted:
      return kNoDevice;
    case download::RunEnd::Stopped:
      return kStopped;
    case download::RunEnd::Disconnected:
      return kDisconnected;
    case download::RunEnd::Completed:
      break;
  }
  return progress.downloaded == static_cast<int>(rows.size()) ? 0 : kSomeFailed;
}

const Registrar kList({"list", "list [--device DIR] CATEGORY     files on the device (size, path, last write); CATEGORY 1..9\n"
                       "                   or its name",
                       List});
const Registrar kPush({"push",
                       "push [--device DIR] [--overwrite yes|no|ask] [--raw] [--verify] [--all] CATEGORY FILE...\n"
                       "                   download to the device, converting as the program does, leaving alone the\n"
                       "                   files it holds unchanged (same size and time); --all: those too; --raw: texts\n"
                       "                   (.txt, .lrc) as they are; --verify: each file read back from the device and compared\n"
                       "                   (exit: 0 all, 1 some not, 3 stopped, 4 device gone, 5 no device, 64 usage)",
                       Push});
const Registrar kRm({"rm", "rm PATH...         delete device files, with their .cfg companions (exit 1: some not)", Remove});

}  // namespace
}  // namespace dockline::cli
