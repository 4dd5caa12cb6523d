#include "download/gui/download_thread.h"

#include <gtest/gtest.h>

#include <functional>

#include "download/category_table.h"
#include "resource.h"
#include "support/scratch_folder.h"
#include "ui/ui_test_support.h"
#include "ui/ui_thread.h"
#include "ui/window.h"

namespace dockline::download {
namespace {

using Texts = std::vector<std::string>;

// Notes "caption: text" of each dialog this thread shows, and the file and
// versions the overwrite question names; message boxes get OK, the question
// whatever `overwrite` answers (0: not yet).
struct Answerer {
  Texts seen, versions;
  std::function<WPARAM()> overwrite = [] { return static_cast<WPARAM>(IDYES); };
  dockline::testing::DialogAnswerer answerer{
      100,
      [this](HWND box) {
        const bool question = ui::WindowTextUtf8(box) == "覆盖";
        seen.push_back(ui::WindowTextUtf8(box) + ": " + ui::WindowTextUtf8(::GetDlgItem(box, 0xFFFF)));
        if (question)
          for (int id : {IDC_OVERWRITE_NAME, IDC_OVERWRITE_ON_DEVICE, IDC_OVERWRITE_INCOMING})
            versions.push_back(ui::WindowTextUtf8(::GetDlgItem(box, id)));
      },
      [this](HWND box) { return ui::WindowTextUtf8(box) == "覆盖" ? overwrite() : static_cast<WPARAM>(IDOK); }};
};

class DownloadThreadTest : public testing::ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    for (const auto& f : {pc_, device_, device_ + "\\mp3"}) ASSERT_TRUE(platform::MakeDirectory(f));
  }
  DownloadRow Row(const std::string& name, std::string_view bytes) {
    const std::string path = platform::JoinPath(pc_, name);
    Write(path, bytes);
    MakeOld(path);
    return {true, CategoryTable::typeText(0), {true, bytes.size(), name, 1, path}};
  }
  std::string OnDevice(const std::string& name) const { return device_ + "\\mp3\\" + name; }
  RunSettings Settings() {
    RunSettings s;
    s.deviceRoot = device_;
    s.devicePresent = [] { return true; };
    s.pictureDelay = std::chrono::milliseconds(0);
    return s;
  }

  ui::UiDispatcher dispatcher_;
  const std::string pc_ = Path("电脑");
  const std::string device_ = Path("设备");
};

TEST_F(DownloadThreadTest, ARunAsksOnTheUiThreadAndTheAnswersHold) {
  struct Case {
    WPARAM answer;
    Texts seen;
    std::string first, second;  // what the two existing targets hold afterwards
  };
  const std::string ask = "覆盖: 该文件已存在，是否覆盖？";
  const std::vector<Case> cases = {
      {IDC_OVERWRITE_NO_TO_ALL, {ask, "提示: 下载完毕"}, "old", "old"},
      // The close box keeps the file; it is asked again for the next one.
      {IDCANCEL, {ask, ask, "提示: 下载完毕"}, "old", "old"},
      // Enter, which the dialog manager sends as IDOK, is 是.
      {IDOK, {ask, ask, "提示: 下载完毕"}, "new", "new"},
  };
  for (const auto& c : cases) {
    Write(OnDevice("1.mp3"), "old");
    Write(OnDevice("2.mp3"), "old");
    platform::RemoveFile(OnDevice("3.mp3"));
    Answerer answerer;
    answerer.overwrite = [&] { return c.answer; };
    std::atomic<bool> running{false};
    auto settings = Settings();
    settings.runningFlag = &running;
    DownloadThread job(dispatcher_.Poster(), nullptr);
    ASSERT_TRUE(job.Start({Row("1.mp3", "new"), Row("2.mp3", "new"), Row("3.mp3", "new")}, settings));
    EXPECT_FALSE(job.Start({}, settings)) << "one run per job";
    if (!dockline::testing::PumpUntil([&] { return job.Finished(); })) dockline::testing::GiveUp("the run's end");
    job.Join();
    EXPECT_EQ(job.Result(), RunEnd::Completed);
    EXPECT_EQ(answerer.seen, c.seen) << c.answer;
    EXPECT_EQ(Read(OnDevice("1.mp3")), c.first);
    EXPECT_EQ(Read(OnDevice("2.mp3")), c.second);
    EXPECT_EQ(Read(OnDevice("3.mp3")), "new");
    EXPECT_EQ(job.Progress().Status(), "下载完毕");
    EXPECT_FALSE(running);
    // The device's copy is as large and an hour newer.
    ASSERT_GE(answerer.versions.size(), 3u);
    EXPECT_EQ(answerer.versions[0], OnDevice("1.mp3"));
    EXPECT_TRUE(answerer.versions[1].starts_with("3 字节，")) << answerer.versions[1];
    EXPECT_TRUE(answerer.versions[2].starts_with("3 字节，") && answerer.versions[2].ends_with("（较旧）"))
        << answerer.versions[2];
  }
}

TEST_F(DownloadThreadTest, AStopReleasesAWorkerWaitingForTheOverwriteQuestion) {
  Write(OnDevice("1.mp3"), "old");
  Answerer answerer;
  std::unique_ptr<DownloadThread> job;
  // The question stays open until the stopped run has ended and said so.
  answerer.overwrite = [&] {
    job->RequestStop();
    return job->Finished() ? static_cast<WPARAM>(IDC_OVERWRITE_YES_TO_ALL) : 0;
  };
  job = std::make_unique<DownloadThread>(dispatcher_.Poster(), nullptr);
  ASSERT_TRUE(job->Start({Row("1.mp3", "new"), Row("2.mp3", "new")}, Settings()));
  if (!dockline::testing::PumpUntil([&] { return job->Finished(); })) dockline::testing::GiveUp("the stopped run's end");
  job->Join();
  EXPECT_EQ(job->Result(), RunEnd::Stopped);
  ASSERT_TRUE(dockline::testing::PumpUntil([] { return !::FindWindowW(L"#32770", L"覆盖"); }));
  EXPECT_EQ(answerer.seen, (Texts{"覆盖: 该文件已存在，是否覆盖？", "提示: 下载已终止"}));
  EXPECT_EQ(Read(OnDevice("1.mp3")), "old") << "an answer given after the stop is not acted on";
  EXPECT_FALSE(platform::FileExists(OnDevice("2.mp3")));
}

TEST_F(DownloadThreadTest, AClosingWindowReleasesTheWorkerAndLeavesTheDispatcherRunning) {
  Answerer answerer;
  {
    DownloadThread job(dispatcher_.Poster(), nullptr);
    // The first row's message is waiting for the UI thread when the page goes.
    ASSERT_TRUE(job.Start({Row("无.mp3", ""), Row("1.mp3", "new")}, Settings()));
    platform::RemoveFile(platform::JoinPath(pc_, "无.mp3"));
  }
  EXPECT_TRUE(answerer.seen.empty()) << answerer.seen.front();
  EXPECT_TRUE(dispatcher_.Poster().IsAccepting());
  int ran = 0;
  EXPECT_TRUE(dispatcher_.Poster().Call([&] { ++ran; }));
  EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace dockline::download
