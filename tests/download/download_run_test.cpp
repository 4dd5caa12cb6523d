#include "download/download_run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <future>
#include <thread>

#include "convert/device_picture.h"
#include "download/category_table.h"
#include "download/test_support.h"
#include "support/bounded_wait.h"

namespace dockline::download {
namespace {

#ifdef _WIN32
constexpr std::uint32_t kDiskFull = 112;  // ERROR_DISK_FULL
#else
constexpr std::uint32_t kDiskFull = ENOSPC;
#endif

using dockline::testing::ResultWithin;
using testing::G;
using testing::ScratchFolder;
using Texts = std::vector<std::string>;

// Records what the user would see; overwrite answers come from a queue.
class Prompts : public DownloadPrompts {
 public:
  void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
  void ShowPageMessage(std::string_view text) override { shown.push_back("[页] " + std::string(text)); }
  std::optional<OverwriteChoice> AskOverwrite(const OverwriteQuestion& question) override {
    asked.push_back(std::string(platform::FileNamePart(question.target)));
    questions.push_back(question);
    if (onAsk) onAsk();
    if (answers.empty()) return std::nullopt;
    const auto a = answers.front();
    answers.pop_front();
    return a;
  }
  Texts shown, asked;
  std::vector<OverwriteQuestion> questions;
  std::deque<std::optional<OverwriteChoice>> answers;
  std::function<void()> onAsk;
};

// Turns one byte of a file over, as a faulty device would.
void Corrupt(const std::string& path) {
  platform::Bytes bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes) && !bytes.empty());
  bytes[bytes.size() / 2] ^= 0x20;
  ASSERT_TRUE(platform::WriteWholeFile(path, bytes));
}

// The platform's files, with faults put in on demand. The copies' steps and
// read-backs come from two threads.
class Files : public DownloadFiles {
 public:
  std::uint32_t Open(const std::string& path, platform::CopySource& source) override {
    const auto code = DownloadFiles::Open(path, source);
    if (code == 0 && claimedSize && path.find(claimFor) != std::string::npos) source.size = *claimedSize;
    return code;
  }
  std::optional<std::uint64_t> FreeBytes(const std::string& root) override {
    if (free.empty()) return DownloadFiles::FreeBytes(root);
    const auto f = free.front();
    if (free.size() > 1) free.pop_front();
    return f;
  }
  std::optional<std::string> FileSystemName(const std::string& root) override {
    return fileSystem ? fileSystem : DownloadFiles::FileSystemName(root);
  }
  platform::StepFault Faults() override {
    return [this](platform::CopyStep step, const std::string& target) -> std::uint32_t {
      if (step == platform::CopyStep::Create) ++copies;
      if (!atStep) return 0;
      return atStep(step, std::string(platform::FileNamePart(target)));
    };
  }
  // The device gives back another byte than it was sent, or nothing at all.
  std::uint32_t HashFromMedium(const std::string& path, std::uint64_t& hash) override {
    ++readBacks;
    if (readBackError) return readBackError;
    if (corruptOnReadBack) Corrupt(path);
    return DownloadFiles::HashFromMedium(path, hash);
  }
  std::deque<std::uint64_t> free;
  std::optional<std::uint64_t> claimedSize;  // for sources whose path holds `claimFor`
  std::string claimFor;
  std::optional<std::string> fileSystem;
  // Each step of a copy, with its target's name: a nonzero answer fails it so.
  std::function<std::uint32_t(platform::CopyStep, const std::string&)> atStep;
  bool corruptOnReadBack = false;
  std::uint32_t readBackError = 0;
  std::atomic<int> copies{0}, readBacks{0};
};

class Download : public ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    ASSERT_TRUE(platform::MakeDirectory(pc_));
    ASSERT_TRUE(platform::MakeDirectory(temp_));
    ASSERT_TRUE(platform::MakeDirectory(device_));
    PrepareDeviceFolders(device_);
  }
  // A ticked row for a PC file of `category` holding `bytes`, made old.
  DownloadRow Row(std::string name, int category, std::string_view bytes = "content", bool ticked = true) {
    const std::string path = platform::JoinPath(pc_, name);
    Write(path, bytes);
    MakeOld(path);
    return {ticked, CategoryTable::typeText(category), {true, bytes.size(), name, category + 1, path}};
  }
  std::string OnDevice(int category, std::string_view name) const {
    return DeviceFilePath(device_, CategoryTable::devicePath('A', category, name));
  }
  RunEnd Run(const std::vector<DownloadRow>& rows, std::stop_token stop = {}) {
    RunSettings settings{device_, [this] { return present_.load(); }, temp_, std::chrono::milliseconds(0), &running_};
    settings.verify = verify_;
    settings.skipUnchanged = skipUnchanged_;
    DownloadRun run(settings, files_, prompts_, progress_, gate_);
    return run.Run(rows, stop);
  }
  // No temporary copy anywhere on the device.
  void ExpectNoPartialFiles() {
    for (int c = 0; c < kCategoryCount; ++c)
      EXPECT_TRUE(platform::FindFiles(OnDevice(c, std::string("*") + platform::kPartialSuffix)).empty()) << c;
  }

  const std::string pc_ = Path("电脑");
  const std::string device_ = Path("设备");
  const std::string temp_ = Path("临时");
  std::atomic<bool> present_{true};
  bool verify_ = false;
  bool skipUnchanged_ = true;
  std::atomic<bool> running_{false};
  Files files_;
  Prompts prompts_;
  DownloadProgress progress_;
  PauseGate gate_;
};

TEST_F(Download, ARunCopiesConvertsCountsSkipsAndFillsTheBars) {
  const std::string page = G("<p>你好</p>");
  std::vector<DownloadRow> rows = {Row("歌.mp3", 0, "music"), Row("书.HTML", 2, page), Row("没勾.mp3", 0, "x", false),
                                   Row("怪.xyz", 0, "x"),       Row("空.mp3", 0, ""),     Row("同.mp3", 0, "same"),
                                   Row("页.htm", 2, page)};
  rows[3].typeText = "类型";
  // Picked from the device itself, named in another case: already there, nothing copied or converted.
  rows[5].entry.path = OnDevice(0, "同.MP3");
  rows[6].entry.path = OnDevice(2, "页.HTM");
  Write(rows[5].entry.path, "on device");
  Write(rows[6].entry.path, page);
  EXPECT_EQ(Run(rows), RunEnd::Completed);
  EXPECT_EQ(files_.copies, 2);
  EXPECT_FALSE(platform::FileExists(OnDevice(2, "页.txt")));

  EXPECT_EQ(Read(OnDevice(0, "歌.mp3")), "music");
  EXPECT_FALSE(platform::FileExists(OnDevice(2, "书.HTML")));
  EXPECT_FALSE(platform::FileExists(OnDevice(0, "没勾.mp3")) || platform::FileExists(OnDevice(0, "空.mp3")));
  EXPECT_EQ(Read(rows[5].entry.path), "on device");
  EXPECT_EQ(prompts_.shown, (Texts{"怪.xyz：文件类型无法识别，没有下载。", "为了您的系统良好，请不要复制空文件。",
                                   "[页] 下载完毕"}));
  EXPECT_EQ(progress_.Counter(), "已下载文件数：4/6");
  EXPECT_EQ(progress_.Status(), "下载完毕");
  EXPECT_TRUE(progress_.overallRange == 42 && progress_.overallPosition == 42);
  EXPECT_TRUE(!progress_.active && !running_);
  EXPECT_TRUE(platform::FindFiles(platform::JoinPath(temp_, "*")).empty()) << "the page's text file is cleaned up";
  EXPECT_EQ(Read(rows[1].entry.path), page);
}

// Conversions make their file first; it then goes across as a copy does, and
// nothing of theirs stays in the temporary folder.
TEST_F(Download, TextsArriveAsGbkAndPicturesAsDevicePicturesNamingWhatWasLost) {
  std::string wide = "BM";  // 2100 × 3, 24 bits: wider than the device's own conversion takes
  const std::size_t size = 54 + 3 * 6300;
  for (std::uint32_t v : {static_cast<std::uint32_t>(size), 0u, 54u, 40u, 2100u, 3u}) wide += std::string(reinterpret_cast<const char*>(&v), 4);
  wide += std::string("\x01\x00\x18\x00", 4) + std::string(24, '\0') + std::string(3 * 6300, '\xFF');
  std::vector<DownloadRow> rows = {Row("书.txt", 2, "\xEF\xBB\xBF第一章☃"), Row("旧.txt", 2, G("第一章")),
                                   Row("宽.bmp", 8, wide),                       Row("坏.png", 8, "no picture"),
                                   Row("空.jpg", 8, ""),                           Row("歌.lrc", 0, "[00:01]歌词")};
  EXPECT_EQ(Run(rows), RunEnd::Completed);
  EXPECT_EQ(Read(OnDevice(2, "书.txt")), G("第一章?"));
  EXPECT_EQ(Read(OnDevice(2, "旧.txt")), G("第一章"));
  EXPECT_EQ(Read(OnDevice(0, "歌.lrc")), G("[00:01]歌词"));
  EXPECT_EQ(Read(OnDevice(8, "宽.ych")).substr(0, 15), std::string("YCP6170V1.0\x40\x01\x01\x00", 15));
  EXPECT_EQ(prompts_.shown, (Texts{rows[3].entry.path + "不是可以转换的图片文件。", "为了您的系统良好，请不要复制空文件。",
                                   "[页] 下载完毕\n\n这些文件中有GBK没有的字符，已换成“?”：\n书.txt：1个字符"}));
  EXPECT_EQ(progress_.downloaded, 4);
  EXPECT_TRUE(platform::FindFiles(platform::JoinPath(temp_, "*")).empty());
  ExpectNoPartialFiles();
}

// The temporary folder is everyone's: files opened from a zip or a mail
// land there. A conversion neither overwrites nor removes what it finds
// there, even a source of the same name as the file it makes.
TEST_F(Download, ConversionsLeaveTheFilesOfTheTemporaryFolderAlone) {
  const std::string book = "\xEF\xBB\xBF第一章";
  const std::string page = G("<p>你好</p>");
  Write(platform::JoinPath(temp_, "书.txt"), book);
  Write(platform::JoinPath(temp_, "页.html"), page);
  Write(platform::JoinPath(temp_, "页.txt"), "the user's own");
  DownloadRow fromTemp = Row("书.txt", 2, book);
  fromTemp.entry.path = platform::JoinPath(temp_, "书.txt");
  DownloadRow pageInTemp = Row("页.html", 2, page);
  pageInTemp.entry.path = platform::JoinPath(temp_, "页.html");
  EXPECT_EQ(Run({fromTemp, pageInTemp}), RunEnd::Completed);
  EXPECT_EQ(Read(OnDevice(2, "书.txt")), G("第一章"));
  EXPECT_EQ(Read(OnDevice(2, "页.txt")), G("你好"));
  EXPECT_EQ(Read(platform::JoinPath(temp_, "书.txt")), book);
  EXPECT_EQ(Read(platform::JoinPath(temp_, "页.html")), page);
  EXPECT_EQ(Read(platform::JoinPath(temp_, "页.txt")), "the user's own");
  EXPECT_EQ(platform::FindFiles(platform::JoinPath(temp_, "*")).size(), 3u) << "nothing of ours is left";
}

TEST_F(Download, OverwriteAnswersHoldAsLongAsTheyShould) {
  struct Case {
    std::vector<std::optional<OverwriteChoice>> answers;
    Texts asked;
    std::string replaced;  // which of the four targets got the new bytes
  };
  using C = OverwriteChoice;
  const std::vector<Case> cases = {
      {{C::No, C::YesToAll}, {"0.mp3", "1.mp3"}, "0111"},  // after yes-to-all nothing is asked,
      {{C::No, C::NoToAll}, {"0.mp3", "1.mp3"}, "0000"},   // nor after no-to-all
      // Closing the question keeps that file and leaves the choice in force as it was.
      {{std::nullopt, C::No, std::nullopt, C::Yes}, {"0.mp3", "1.mp3", "2.mp3", "3.mp3"}, "0001"},
  };
  for (const auto& c : cases) {
    std::vector<DownloadRow> rows;
    for (int i = 0; i < 4; ++i) {
      rows.push_back(Row(std::to_string(i) + ".mp3", 0, "new"));
      Write(OnDevice(0, std::to_string(i) + ".mp3"), "old");
    }
    prompts_ = Prompts();
    prompts_.answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_EQ(Run(rows), RunEnd::Completed);
    EXPECT_EQ(prompts_.asked, c.asked);
    std::string replaced;
    for (int i = 0; i < 4; ++i) replaced += Read(OnDevice(0, std::to_string(i) + ".mp3")) == "new" ? '1' : '0';
    EXPECT_EQ(replaced, c.replaced);
    EXPECT_EQ(progress_.downloaded, std::count(replaced.begin(), replaced.end(), '1'));
  }
}

// A full disk stops the run, whether seen before a row (a file that just
// fits still goes) or by a write; another failed write is named and the run
// goes on, unless the device went with it: then one message, no more rows.
TEST_F(Download, FaultsAreNamedAndEndTheRunOnlyWhenNothingMoreCanBeCopied) {
  struct Case {
    std::deque<std::uint64_t> free;
    std::uint32_t writeError;  // 0: the writes succeed
    bool deviceGoes;
    RunEnd end;
    std::string first;  // the first message, the count of messages, of copies tried, of files downloaded
    std::size_t shown;
    int copies, downloaded;
  };
  const std::vector<Case> cases = {
      {{5, 5, 4}, 0, false, RunEnd::Stopped, "您的磁盘空间不足。", 2, 2, 2},
      {{}, kDiskFull, false, RunEnd::Stopped, "您的磁盘空间不足。", 2, 1, 0},
      {{}, 5, false, RunEnd::Completed, "写入文件失败：" + OnDevice(0, "0.mp3"), 5, 4, 0},
      {{}, 5, true, RunEnd::Disconnected, std::string(kDisconnectedText), 1, 1, 0},
  };
  for (const auto& c : cases) {
    std::vector<DownloadRow> rows;
    for (int i = 0; i < 4; ++i) {
      rows.push_back(Row(std::to_string(i) + ".mp3", 0, "12345"));
      platform::RemoveFile(OnDevice(0, std::to_string(i) + ".mp3"));
    }
    prompts_ = Prompts();
    files_.free = c.free;
    files_.copies = 0;
    present_ = true;
    files_.atStep = [&](platform::CopyStep step, const std::string&) -> std::uint32_t {
      if (step != platform::CopyStep::Write || !c.writeError) return 0;
      present_ = !c.deviceGoes;
      return c.writeError;
    };
    EXPECT_EQ(Run(rows), c.end) << c.first;
    ASSERT_EQ(prompts_.shown.size(), c.shown) << c.first;
    EXPECT_NE(prompts_.shown[0].find(c.first), std::string::npos) << prompts_.shown[0];
    EXPECT_EQ(files_.copies, c.copies) << c.first;
    EXPECT_EQ(progress_.downloaded, c.downloaded);
    EXPECT_EQ(platform::FindFiles(OnDevice(0, "*")).size(), static_cast<std::size_t>(c.downloaded));
    EXPECT_EQ(progress_.Status(), c.end == RunEnd::Completed ? "下载完毕" : "下载已终止");
  }
}

// Two files are under way at once: one being written while the one before
// it is flushed and moved. A fault at any step of any file, the device lost
// with it, or a stop asked at that moment leaves every target as it was or
// wholly new, no temporary file, and the counter at the files that are new;
// the user hears of the files in their order (an empty one among them), and
// of none the run did not come to.
TEST_F(Download, EachTargetIsOldOrWholeNewWhateverStrikesAFileInFlight) {
  using platform::CopyStep;
  enum class Strike { Fault, DeviceGone, Stop };
  const std::vector<std::string> names = {"0.mp3", "1.mp3", "2.mp3"};
  const std::string big(2 * platform::kCopyBlockSize + 77, 'n');  // several blocks, several writes
  for (const Strike strike : {Strike::Fault, Strike::DeviceGone, Strike::Stop}) {
    for (int hit = 0; hit < 3; ++hit) {
      for (const CopyStep at : {CopyStep::Create, CopyStep::Write, CopyStep::Flush, CopyStep::Move}) {
        SCOPED_TRACE(std::to_string(static_cast<int>(strike)) + " at step " + std::to_string(static_cast<int>(at)) +
                     " of " + names[static_cast<std::size_t>(hit)]);
        std::vector<DownloadRow> rows;
        for (const auto& name : names) rows.push_back(Row(name, 0, name == "1.mp3" ? big : "new " + name));
        const DownloadRow empty = Row("空.mp3", 0, "");
        Write(OnDevice(0, "0.mp3"), "old");  // 1.mp3 is new to the device
        platform::RemoveFile(OnDevice(0, "1.mp3"));
        Write(OnDevice(0, "2.mp3"), "old");
        prompts_ = Prompts();
        prompts_.answers = {OverwriteChoice::YesToAll};
        present_ = true;
        std::stop_source stop;
        files_.atStep = [&](CopyStep step, const std::string& name) -> std::uint32_t {
          if (step != at || name != names[static_cast<std::size_t>(hit)]) return 0;
          if (strike == Strike::Stop) {
            stop.request_stop();
            return 0;
          }
          if (strike == Strike::DeviceGone) present_ = false;
          return 5;  // an I/O error
        };
        const RunEnd end = Run({rows[0], rows[1], empty, rows[2]}, stop.get_token());

        std::string state;  // per file: n new, o old, - absent
        for (std::size_t i = 0; i < names.size(); ++i) {
          const std::string now = Read(OnDevice(0, names[i]));
          state += now == Read(rows[i].entry.path) ? 'n' : now == "old" ? 'o' : now == "<unreadable>" ? '-' : '?';
        }
        const std::string before = "o-o";
        EXPECT_EQ(progress_.downloaded, std::count(state.begin(), state.end(), 'n')) << state;
        ExpectNoPartialFiles();
        for (std::size_t i = 0; i < names.size(); ++i) {
          const auto h = static_cast<std::size_t>(hit);
          // What the strike allows this file to be.
          bool mayBeNew = true, mayBeOld = false;
          if (strike == Strike::Fault) {
            mayBeNew = i != h;
            mayBeOld = i == h;
          } else if (strike == Strike::DeviceGone) {
            mayBeNew = i < h;
            mayBeOld = i >= h;
          } else {  // the step under way ends: the move once begun, a copy's flush not
            mayBeNew = i < h || (i == h && at == CopyStep::Move);
            mayBeOld = i > h || (i == h && at != CopyStep::Move) || i < h;
          }
          EXPECT_TRUE((state[i] == 'n' && mayBeNew) || (state[i] == before[i] && mayBeOld)) << state;
        }
        const std::string refused(kEmptySourceText);
        const std::string failed = "写入文件失败：" + OnDevice(0, names[static_cast<std::size_t>(hit)]);
        Texts expected = hit == 2 ? Texts{refused} : Texts{};
        switch (strike) {
          case Strike::Fault:
            EXPECT_EQ(end, RunEnd::Completed);
            expected = hit == 2 ? Texts{refused, failed, "[页] 下载完毕"} : Texts{failed, refused, "[页] 下载完毕"};
            // The failure's reason is the system's own text.
            for (auto& shown : prompts_.shown)
              if (shown.starts_with(failed)) shown.resize(failed.size());
            break;
          case Strike::DeviceGone:
            EXPECT_EQ(end, RunEnd::Disconnected);
            expected.push_back("[页] " + std::string(kDisconnectedText));
            break;
          case Strike::Stop: {
            // Asked while the last file moves into place, the stop finds nothing left to stop.
            const bool allDone = hit == 2 && at == CopyStep::Move;
            EXPECT_EQ(end, allDone ? RunEnd::Completed : RunEnd::Stopped);
            expected.push_back(allDone ? "[页] 下载完毕" : "[页] 下载已终止");
            break;
          }
        }
        EXPECT_EQ(prompts_.shown, expected);
      }
    }
  }
}

// What the device holds is listed once a run, and a file that comes there
// afterwards is still never replaced unasked: the move that finds it says
// so. The same device file twice in a run: the second sees the first.
TEST_F(Download, FilesThatComeDuringTheRunAreAskedAbout) {
  for (const auto answer : {OverwriteChoice::No, OverwriteChoice::Yes}) {
    for (const char* name : {"0.mp3", "1.mp3"}) platform::RemoveFile(OnDevice(0, name));
    prompts_ = Prompts();
    prompts_.answers = {answer};
    files_.atStep = [&](platform::CopyStep step, const std::string& name) -> std::uint32_t {
      if (step == platform::CopyStep::Create && name == "1.mp3") {
        EXPECT_TRUE(platform::WriteWholeFile(OnDevice(0, "1.mp3"), "theirs", 6));
      }
      return 0;
    };
    EXPECT_EQ(Run({Row("0.mp3", 0, "zero"), Row("1.mp3", 0, "one")}), RunEnd::Completed);
    EXPECT_EQ(prompts_.asked, Texts{"1.mp3"});
    EXPECT_EQ(Read(OnDevice(0, "1.mp3")), answer == OverwriteChoice::Yes ? "one" : "theirs");
    EXPECT_EQ(progress_.downloaded, answer == OverwriteChoice::Yes ? 2 : 1);
    ExpectNoPartialFiles();
  }
  files_.atStep = nullptr;
  platform::RemoveFile(OnDevice(0, "1.mp3"));
  ASSERT_TRUE(platform::MakeDirectory(platform::JoinPath(pc_, "其他")));
  DownloadRow again = Row("1.mp3", 0, "another one");
  again.entry.path = platform::JoinPath(platform::JoinPath(pc_, "其他"), "1.mp3");
  Write(again.entry.path, "another one");
  prompts_ = Prompts();
  prompts_.answers = {OverwriteChoice::Yes};
  EXPECT_EQ(Run({Row("1.mp3", 0, "one"), again}), RunEnd::Completed);
  EXPECT_EQ(prompts_.asked, Texts{"1.mp3"});
  EXPECT_EQ(Read(OnDevice(0, "1.mp3")), "another one");
}

TEST_F(Download, APausedRunWaitsAtItsNextTestUntilResumedOrStopped) {
  // The stop question opens while the overwrite question is up.
  for (const bool stopWhilePaused : {false, true}) {
    Write(OnDevice(0, "0.mp3"), "old");
    platform::RemoveFile(OnDevice(0, "1.mp3"));
    const auto rows = std::vector<DownloadRow>{Row("0.mp3", 0, "new"), Row("1.mp3", 0, "new")};
    std::promise<void> asked;
    prompts_.answers = {OverwriteChoice::Yes};
    prompts_.onAsk = [&] {
      EXPECT_TRUE(running_) << "a run under way is marked, so the window is not closed under it";
      gate_.Pause();
      asked.set_value();
    };
    std::stop_source stop;
    auto done = std::async(std::launch::async, [&] { return Run(rows, stop.get_token()); });
    auto question = asked.get_future();
    ResultWithin(question, "the overwrite question");
    EXPECT_EQ(done.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_EQ(Read(OnDevice(0, "0.mp3")), "old") << "nothing written while paused";
    if (stopWhilePaused) stop.request_stop();
    else gate_.Resume();
    EXPECT_EQ(ResultWithin(done, "the run's end"), stopWhilePaused ? RunEnd::Stopped : RunEnd::Completed);
    EXPECT_EQ(Read(OnDevice(0, "0.mp3")), stopWhilePaused ? "old" : "new");
    EXPECT_EQ(platform::FileExists(OnDevice(0, "1.mp3")), !stopWhilePaused);
    gate_.Resume();
  }
}

// A 1 × 1 white 24-bit bitmap.
const std::string kWhiteBitmap(
    "BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x04\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
    "\xFF\xFF\xFF\0",
    58);

// A picture whose write finds the disk full ends the run like a copy that does.
TEST_F(Download, APictureThatFillsTheDiskStopsTheRun) {
  // The converted picture is what finds the disk full.
  files_.atStep = [](platform::CopyStep step, const std::string& name) -> std::uint32_t {
    return step == platform::CopyStep::Write && name.ends_with(".ych") ? kDiskFull : 0;
  };
  EXPECT_EQ(Run({Row("画.bmp", 8, kWhiteBitmap), Row("歌.mp3", 0, "music")}), RunEnd::Stopped);
  EXPECT_EQ(prompts_.shown, (Texts{"您的磁盘空间不足。", "[页] 下载已终止"}));
  EXPECT_FALSE(platform::FileExists(OnDevice(0, "歌.mp3")));
}

// FAT keeps sizes in 32 bits: a file of 4 GiB is refused before anything is
// written, the next file still goes; other file systems take it.
TEST_F(Download, AFileFatCannotHoldIsRefusedAndTheRunGoesOn) {
  struct Case {
    std::string fileSystem;
    std::uint64_t size;
    bool refused;
  };
  const std::uint64_t fourGiB = 1ull << 32;
  for (const auto& c : {Case{"FAT32", fourGiB, true}, Case{"vfat", fourGiB - 1, false}, Case{"NTFS", fourGiB, false},
                        Case{"exFAT", fourGiB, false}}) {
    SCOPED_TRACE(c.fileSystem + " " + std::to_string(c.size));
    const auto big = Row("大.mp3", 0, "pretend it is big");
    const auto small = Row("小.mp3", 0, "small");
    for (const char* name : {"大.mp3", "小.mp3"}) platform::RemoveFile(OnDevice(0, name));
    prompts_ = Prompts();
    files_.copies = 0;
    files_.fileSystem = c.fileSystem;
    files_.free = {~0ull};
    files_.claimedSize = c.size;
    files_.claimFor = "大";
    EXPECT_EQ(Run({big, small}), RunEnd::Completed);
    EXPECT_EQ(platform::FileExists(OnDevice(0, "大.mp3")), !c.refused);
    EXPECT_EQ(files_.copies, c.refused ? 1 : 2) << "a refused file is not even begun";
    const Texts expected = c.refused ? Texts{TooLargeForFatText("大.mp3"), "[页] 下载完毕"} : Texts{"[页] 下载完毕"};
    EXPECT_EQ(prompts_.shown, expected);
  }
}

// With verify on, a copy is checked before it replaces anything: a byte
// turned over on the way leaves the device's old version (even under 全是),
// the user hears which file and why, and the next file is still copied. A
// read-back that fails keeps the copy it could not check and says so. With
// verify off nothing is hashed or read back.
TEST_F(Download, VerifyChecksTheCopyBeforeItReplacesTheOldVersion) {
  struct Case {
    bool verify, corrupt;
    std::uint32_t readBackError;
    int downloaded, readBacks;
  };
  for (const auto& c : {Case{false, true, 0, 2, 0}, Case{true, false, 0, 2, 2}, Case{true, true, 0, 0, 2},
                        Case{true, false, 5, 2, 2}}) {
    SCOPED_TRACE(std::to_string(c.verify) + std::to_string(c.corrupt) + std::to_string(c.readBackError));
    const std::vector<DownloadRow> rows = {Row("歌.mp3", 0, "music bytes"), Row("画.bmp", 8, kWhiteBitmap)};
    const std::vector<std::string> targets = {OnDevice(0, "歌.mp3"), OnDevice(8, "画.ych")};
    for (const auto& target : targets) Write(target, "old");
    prompts_ = Prompts();
    prompts_.answers = {OverwriteChoice::YesToAll};
    verify_ = c.verify;
    files_.corruptOnReadBack = c.corrupt;
    files_.readBackError = c.readBackError;
    files_.readBacks = 0;
    EXPECT_EQ(Run(rows), RunEnd::Completed);
    EXPECT_EQ(files_.readBacks, c.readBacks);
    EXPECT_EQ(progress_.downloaded, c.downloaded);
    EXPECT_EQ(Read(targets[0]), c.downloaded > 0 ? "music bytes" : "old");
    EXPECT_EQ(Read(targets[1]) == "old", c.downloaded == 0);
    ExpectNoPartialFiles();
    Texts expected;
    for (const auto& target : targets) {
      if (c.verify && c.corrupt)
        expected.push_back("写入后校验失败：" + target +
                           "（从U盘读回的内容与原文件不一致），没有下载这个文件，U盘上原有的文件没有改动，请重新下载。");
      if (c.readBackError)
        expected.push_back("写入后校验未能完成：" + target + "（无法读回：" + platform::ErrorText(c.readBackError) +
                           "），文件已经下载，但没有校验。");
    }
    expected.push_back("[页] 下载完毕");
    EXPECT_EQ(prompts_.shown, expected);
  }
}

// A file whose device copy has the same size and last write (within FAT's
// two seconds) is left alone: no question, no write, counted and named at
// the end. Another time or size is asked about as before; a converted file
// is compared by the size its conversion makes and its source's time. The
// copies keep their sources' times, so a second run finds them unchanged.
TEST_F(Download, UnchangedFilesAreLeftAloneAndOthersAskedAsBefore) {
  const std::string book = "\xEF\xBB\xBF第一章";  // six bytes once GBK
  const std::vector<DownloadRow> rows = {Row("同.mp3", 0, "same"), Row("晚.mp3", 0, "late"), Row("长.mp3", 0, "longer"),
                                         Row("书.txt", 2, book), Row("原.txt", 2, book)};
  // The device's versions: other bytes of the same size, so a write would show.
  const std::vector<std::pair<std::string, int>> onDevice = {
      {"SAME", 1}, {"LATE", -3}, {"short", 0}, {"xxxxxx", 0}, {std::string(book.size(), 'x'), 0}};
  const auto target = [&](std::size_t i) { return OnDevice(rows[i].entry.categoryNumber - 1, rows[i].entry.name); };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Write(target(i), onDevice[i].first);
    TimeFrom(target(i), rows[i].entry.path, onDevice[i].second);
  }
  for (const bool skip : {true, false}) {
    prompts_ = Prompts();
    prompts_.answers = {OverwriteChoice::NoToAll};
    skipUnchanged_ = skip;
    EXPECT_EQ(Run(rows), RunEnd::Completed);
    EXPECT_EQ(prompts_.asked, skip ? Texts{"晚.mp3"} : Texts{"同.mp3"});
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(Read(target(i)), onDevice[i].first) << i;
    EXPECT_EQ(prompts_.shown, Texts{skip ? "[页] 下载完毕\n已跳过2个未改变的文件。" : "[页] 下载完毕"});
    EXPECT_EQ(progress_.skipped, skip ? 2 : 0);
  }
  skipUnchanged_ = true;
  prompts_ = Prompts();
  prompts_.answers = {OverwriteChoice::No, OverwriteChoice::No, OverwriteChoice::No};
  EXPECT_EQ(Run(rows), RunEnd::Completed);
  EXPECT_EQ(prompts_.asked, (Texts{"晚.mp3", "长.mp3", "原.txt"}));
  ASSERT_EQ(prompts_.questions.size(), 3u);
  EXPECT_NE(IncomingText(prompts_.questions[0]).find("（较新）"), std::string::npos) << IncomingText(prompts_.questions[0]);
  EXPECT_NE(IncomingText(prompts_.questions[1]).find("（较大）"), std::string::npos) << IncomingText(prompts_.questions[1]);
  EXPECT_EQ(prompts_.questions[2].incoming.size, 6u) << "the size the conversion makes";
  EXPECT_EQ(prompts_.questions[2].onDevice.size, book.size());

  // Written afresh, every file keeps its source's time, a picture's and a
  // book's too: the next run writes nothing.
  std::vector<DownloadRow> again = rows;
  again.push_back(Row("画.bmp", 8, kWhiteBitmap));
  for (std::size_t i = 0; i < rows.size(); ++i) platform::RemoveFile(target(i));
  prompts_ = Prompts();
  EXPECT_EQ(Run(again), RunEnd::Completed);
  EXPECT_EQ(prompts_.shown, Texts{"[页] 下载完毕"});
  files_.copies = 0;
  EXPECT_EQ(Run(again), RunEnd::Completed);
  EXPECT_EQ(files_.copies, 0);
  EXPECT_EQ(prompts_.shown.back(), "[页] 下载完毕\n已跳过6个未改变的文件。");
  EXPECT_EQ(progress_.downloaded, 6);
}

// The checks before a download touch nothing on the device: the UI thread
// asks them, and a slow device would hold the window. The run itself makes
// the folders and sweeps what an interrupted write left under a temporary
// name in every folder a download writes to, even when nothing is ticked, so
// nothing is downloaded; finished files stay.
TEST_F(Download, TheChecksTouchNothingTheRunMakesItsFoldersAndSweepsLeftovers) {
  const std::string data(platform::FolderPart(OnDevice(7, "英语百科.abc")));
  ASSERT_TRUE(platform::MakeDirectory(data));
  const std::vector<std::string> leftovers = {OnDevice(8, "画.ych.part~"), OnDevice(8, "画.ych.new~"),
                                              platform::JoinPath(data, "英语百科.abc.new~"),
                                              platform::JoinPath(data, "英语百科.abc.part~")};
  for (const auto& path : leftovers) Write(path, "half");
  Write(OnDevice(8, "留.ych"), "whole");
  const std::string music(platform::FolderPart(OnDevice(0, "歌.mp3")));
  std::filesystem::remove_all(Native(music));
  EXPECT_TRUE(PrepareDownload(device_, true, 1, prompts_));
  EXPECT_FALSE(PrepareDownload(device_, true, 0, prompts_));
  EXPECT_FALSE(PrepareDownload(device_, false, 3, prompts_));
  EXPECT_FALSE(platform::IsDirectory(music));
  for (const auto& path : leftovers) EXPECT_TRUE(platform::FileExists(path)) << path;

  EXPECT_EQ(Run({Row("歌.mp3", 0, "music", false)}), RunEnd::NotStarted);
  EXPECT_EQ(prompts_.shown, (Texts{"没有可下载的文件", "言途6170没有联机!", "[页] 请选择要下载的文件。"}));
  EXPECT_FALSE(progress_.active);
  EXPECT_TRUE(platform::IsDirectory(music));
  for (const auto& path : leftovers) EXPECT_FALSE(platform::FileExists(path)) << path;
  EXPECT_EQ(Read(OnDevice(8, "留.ych")), "whole");
}

}  // namespace
}  // namespace dockline::download
