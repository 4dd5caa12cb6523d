#include "download/gui/download_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "download/category_table.h"
#include "download/category_selection.h"
#include "platform/file_copy.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"
#include "resource.h"
#include "support/scratch_folder.h"
#include "ui/message_box.h"
#include "ui/ui_test_support.h"
#include "ui/ui_thread.h"

namespace dockline::download {
namespace {

using Texts = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

// A message box's text; "" for the other dialogs (the wait popup stays unanswered).
std::string BoxText(HWND box) {
  HWND text = ::GetDlgItem(box, 0xFFFF);
  return text ? ui::WindowTextUtf8(text) : std::string();
}

// The page and its controller over the simulated device G:, as the main
// window has them.
class Controller : public testing::ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    if (!platform::IsDirectory("G:\\mp3")) GTEST_SKIP() << "no simulated device on G: (run under tools/with-wine)";
    ASSERT_TRUE(host_.Open(609, 530));
    ASSERT_TRUE(page_.Create(host_.Handle()));
    page_.Show();
    ui::SetMainWindow(host_.Handle());
    controller_ = std::make_unique<DownloadController>(
        page_, DownloadContext{dispatcher_.Poster(), host_.Handle(), &drive_, &running_, &category_});
  }
  void TearDown() override {
    controller_.reset();
    ui::SetMainWindow(nullptr);
    std::error_code ec;
    for (const auto& f : made_) std::filesystem::remove_all(std::filesystem::path(std::u8string(f.begin(), f.end())), ec);
    ScratchFolder::TearDown();
  }
  // A file on the device, removed again after the test.
  std::string OnDevice(int category, const std::string& name, std::string_view bytes = {}) {
    const std::string path = CategoryTable::devicePath('G', category, name);
    made_.push_back(path);
    if (!bytes.empty()) Write(path, bytes);
    return path;
  }
  void AddPcFile(const std::string& name, std::string_view bytes) {
    const std::string path = Path(name);
    Write(path, bytes);
    MakeOld(path);
    page_.PcList().AddRow({true, bytes.size(), name, 1, path}, true);
  }
  // Answers the message boxes by their texts (0: not yet) and notes each;
  // the wait popup is left alone.
  static testing::DialogAnswerer AnswerBoxes(Texts& seen, std::function<WPARAM(const std::string&)> answer) {
    return testing::DialogAnswerer(
        10,
        [&seen](HWND box) {
          if (!BoxText(box).empty()) seen.push_back(BoxText(box));
        },
        [answer = std::move(answer)](HWND box) -> WPARAM {
          const std::string text = BoxText(box);
          return text.empty() ? 0 : answer(text);
        });
  }
  void Click(int id) { ::SendMessageW(page_.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  bool Idle() { return controller_->BusyText().empty() && testing::ThreadDialogs().empty(); }
  Texts DeviceNames() {
    Texts names;
    for (int row = 0; row < page_.DeviceList().Count(); ++row) names.push_back(page_.DeviceList().Record(row)->name);
    return names;
  }

  ui::UiDispatcher dispatcher_;
  testing::TestHost host_;
  DownloadPage page_;
  std::atomic<char> drive_{'G'};
  std::atomic<bool> running_{false};
  std::atomic<std::int32_t> category_{0};
  std::unique_ptr<DownloadController> controller_;
  Texts made_;
};

// The run may end while "要终止下载吗?" is still open: the answer must then
// meet no job that has gone.
TEST_F(Controller, AStopQuestionOutlivingItsRunIsAnsweredSafely) {
  AddPcFile("a.mp3", "song");
  const std::string target = OnDevice(0, "a.mp3");
  platform::RemoveFile(target);
  Click(IDC_DOWNLOAD);
  // Copied and moved into place: the worker has passed its last stop test
  // and goes on to say "下载完毕", which the UI thread shows only once the
  // stop question below is up.
  const auto limit = Clock::now() + std::chrono::seconds(10);
  while (!platform::FileExists(target) && Clock::now() < limit) ::Sleep(5);
  ASSERT_TRUE(platform::FileExists(target));
  Texts seen;
  std::optional<Clock::time_point> ended;
  auto answerer = AnswerBoxes(seen, [&](const std::string& text) -> WPARAM {
    if (text != kStopQuestion) return IDOK;
    // Yes, but only after the worker has ended and the page's timer has had
    // its chances to end the run.
    if (controller_->Downloading()) return 0;
    if (!ended) ended = Clock::now();
    return Clock::now() - *ended > std::chrono::milliseconds(4 * DownloadPage::kProgressPeriodMs) ? IDYES : 0;
  });
  Click(IDC_STOP);
  // The run ends once the question is answered: the page is back in its list view.
  ASSERT_TRUE(testing::PumpUntil([&] { return Idle() && ::IsWindowVisible(page_.Item(IDC_PC_LIST)); }));
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (Texts{"下载完毕", std::string(kStopQuestion)}));
  EXPECT_EQ(Read(target), "song");
}

// A second 下载 while a run is going (a double click) must not clear what
// looks like a leftover copy: under a run it may be the run's own.
TEST_F(Controller, ASecondDownloadClickDuringARunTouchesNothingOnTheDevice) {
  AddPcFile("a.mp3", "new");
  OnDevice(0, "a.mp3", "old");
  const std::string copy = OnDevice(0, std::string("b.mp3") + platform::kPartialSuffix);
  bool copyKept = false;
  testing::DialogAnswerer answerer(10, nullptr, [&](HWND box) -> WPARAM {
    if (ui::WindowTextUtf8(box) != "覆盖") return IDOK;
    // The worker waits for this answer: the run is under way.
    Write(copy, "half");
    Click(IDC_DOWNLOAD);
    copyKept = platform::FileExists(copy);
    return IDC_OVERWRITE_NO;
  });
  Click(IDC_DOWNLOAD);
  ASSERT_TRUE(testing::PumpUntil([&] { return answerer.Answered() == 2 && Idle(); }));
  EXPECT_TRUE(copyKept);
}

TEST_F(Controller, TheDeviceListComesInWhileTheWindowAnswersAndCommandsWaitForIt) {
  Texts names;
  for (int i = 0; i < 300; ++i) {
    names.push_back("书" + std::to_string(i) + ".txt");
    OnDevice(2, names.back(), "text");
  }
  category_ = 2;
  Click(IDC_DEVICE_TAB);
  // Nothing is listed yet: the worker lists, the timer brings the rows in.
  EXPECT_EQ(page_.DeviceList().Count(), 0);
  EXPECT_EQ(controller_->BusyText(), kListingRefusal);
  for (int id : {IDC_DOWNLOAD, IDC_DELETE, IDC_SELECT_ALL, IDC_LOCAL_TAB, IDC_TYPE_COMBO})
    EXPECT_FALSE(::IsWindowEnabled(page_.Item(id))) << id;
  Click(IDC_DEVICE_TAB);  // refused: no second listing under the first
  ASSERT_TRUE(testing::PumpUntil([&] { return Idle(); }));
  Texts listed = DeviceNames();
  std::sort(listed.begin(), listed.end());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(listed, names);
  EXPECT_TRUE(::IsWindowEnabled(page_.Item(IDC_DELETE)));

  // 反选 and 全选 in the device view tick the device list; the status line
  // goes on describing the PC list.
  AddPcFile("a.mp3", "song");
  page_.UpdateSelectionStatus();
  const std::string status = page_.ItemText(IDC_SELECTION_STATUS);
  page_.DeviceList().List().SetChecked(0, false);
  const auto ticks = [&] {
    const std::vector<bool> t = page_.DeviceList().Ticks();
    return std::count(t.begin(), t.end(), true);
  };
  for (const auto& [button, ticked] : {std::pair{IDC_INVERT, 1}, std::pair{IDC_SELECT_ALL, 300}}) {
    Click(button);
    ASSERT_TRUE(testing::PumpUntil([&] { return Idle(); }));
    EXPECT_EQ(ticks(), ticked) << button;
    EXPECT_EQ(page_.ItemText(IDC_SELECTION_STATUS), status);
    EXPECT_TRUE(page_.PcList().Checked(0));
  }
}

// A row goes only with its file; a deletion under way when the window
// closes is stopped where it is and waited for.
TEST_F(Controller, DeletingKeepsTheRowsOfFilesThatStayAndStopsWithTheWindow) {
  OnDevice(2, "a.txt", "a");
  OnDevice(2, "b.txt", "b");
  // In use elsewhere: it cannot be deleted.
  const std::string held = OnDevice(2, "c.txt", "c");
  platform::KernelHandle open(::CreateFileW(platform::Wide(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  category_ = 2;
  Click(IDC_DEVICE_TAB);
  ASSERT_TRUE(testing::PumpUntil([&] { return Idle(); }));
  Texts seen;
  auto answerer = AnswerBoxes(seen, [](const std::string& text) -> WPARAM { return text == kDeleteQuestion ? IDYES : IDOK; });
  Click(IDC_DELETE);
  ASSERT_TRUE(testing::PumpUntil([&] { return Idle(); }));
  ASSERT_EQ(seen.size(), 2u) << ::testing::PrintToString(seen);
  EXPECT_EQ(seen[1].rfind(held + "：", 0), 0u) << seen[1];
  EXPECT_EQ(DeviceNames(), Texts{"c.txt"});
  EXPECT_FALSE(platform::FileExists(CategoryTable::devicePath('G', 2, "a.txt")));
  open.Close();

  // The rows go last first. The file of the middle row is held, and the
  // window closes while its failure is shown: the files of the rows above it
  // were still to go and stay; those below it went before.
  for (int i = 0; i < 100; ++i) OnDevice(2, std::to_string(i) + ".txt", "x");
  Click(IDC_DEVICE_TAB);
  ASSERT_TRUE(testing::PumpUntil([&] { return Idle(); }));
  const Texts rows = DeviceNames();
  ASSERT_EQ(rows.size(), 101u);
  const std::size_t middle = rows.size() / 2;
  const std::string inUse = CategoryTable::devicePath('G', 2, rows[middle]);
  platform::KernelHandle again(::CreateFileW(platform::Wide(inUse).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  bool closed = false;
  Texts closing;
  auto closer = AnswerBoxes(closing, [&](const std::string& text) -> WPARAM {
    if (text.rfind(inUse + "：", 0) == 0 && !closed) {
      closed = true;
      controller_->Shutdown();  // joins the deletion, which waits for this very box
    }
    return text == kDeleteQuestion ? IDYES : IDOK;
  });
  Click(IDC_DELETE);
  ASSERT_TRUE(testing::PumpUntil([&] { return closed && testing::ThreadDialogs().empty(); }));
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(platform::FileExists(CategoryTable::devicePath('G', 2, rows[i])), i <= middle) << rows[i];
}

// A drop's walk counts its files in the wait popup, and 取消 there gives the
// drop up: nothing is added, nor are the files no category takes named.
TEST_F(Controller, ADropCountsItsFilesAndCanBeGivenUpInItsWaitPopup) {
  AddPcFile("a.mp3", "song");
  const std::string folder = Path("拖入");
  ASSERT_TRUE(platform::MakeDirectory(folder));
  for (int i = 0; i < 40; ++i) Write(platform::JoinPath(folder, std::to_string(i) + ".mp3"), "x");
  Write(platform::JoinPath(folder, "说明.doc"), "x");
  // Not there: its message holds the walk until it is answered.
  const std::string gone = Path("没了.mp3");
  std::string counted;
  bool cancelled = false;
  Texts seen;
  const auto limit = Clock::now() + testing::kWaitLimit;
  auto answerer = AnswerBoxes(seen, [&](const std::string&) -> WPARAM {
    if (Clock::now() > limit) return IDOK;  // the box must go, or nothing below is reached
    for (HWND popup : testing::ThreadDialogs()) {
      const HWND cancel = ::GetDlgItem(popup, IDCANCEL);
      if (!BoxText(popup).empty() || !cancel || !::IsWindowVisible(cancel) || cancelled) continue;
      counted = ui::WindowTextUtf8(popup);
      if (counted != FoundFilesText(41)) return 0;  // not yet shown
      ::PostMessageW(popup, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      cancelled = true;
    }
    return cancelled ? IDOK : 0;
  });
  ASSERT_TRUE(controller_->DropFiles({folder, gone}));
  ASSERT_TRUE(testing::PumpUntil([&] { return cancelled && Idle(); })) << counted;
  EXPECT_EQ(seen, Texts{MissingFileMessage(gone)});
  ASSERT_EQ(page_.PcList().Count(), 1);
  EXPECT_EQ(page_.PcList().Record(0)->name, "a.mp3");
}

// Given up once some of its rows are in, a job takes them out again, and
// what it hands over afterwards never comes in.
TEST_F(Controller, AJobGivenUpTakesItsOwnRowsOutAgain) {
  AddPcFile("a.mp3", "song");
  PageJob job(PageJob::Kind::Adding, page_.PcList(), dispatcher_.Poster());
  job.Append(std::vector<FileEntry>(500, FileEntry{true, 1, "b.mp3", 1, Path("b.mp3")}));
  while (page_.PcList().Count() < 100) job.Apply(std::chrono::milliseconds(1));
  ASSERT_LT(page_.PcList().Count(), 501);
  job.Cancel();
  job.Append({FileEntry{true, 1, "c.mp3", 1, Path("c.mp3")}});
  while (!job.Done()) job.Apply(DownloadController::kBatchBudget);
  ASSERT_EQ(page_.PcList().Count(), 1);
  EXPECT_EQ(page_.PcList().Record(0)->name, "a.mp3");
  EXPECT_EQ(page_.PcList().RecordCount(), 1u);
}

}  // namespace
}  // namespace dockline::download
