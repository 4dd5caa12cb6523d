#include "download/category_selection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "download/category_table.h"
#include "download/file_list.h"
#include "test_support.h"

namespace dockline::download {
namespace {

using testing::ScratchFolder;

// Records what the page would have shown, in order; the worker's messages too.
class FakeView : public CategorySelectionView, public platform::Notifier {
 public:
  void ShowMessage(std::string_view utf8) override { log.push_back("box:" + std::string(utf8)); }
  void ShowPage() override { log.push_back("page"); }
  FileChoice ChooseFiles(int category, const std::string& initialFolder) override {
    log.push_back("dialog:" + std::to_string(category) + ":" + initialFolder);
    return choice;
  }
  void AddFiles(int category, std::vector<std::string> paths) override {
    log.push_back("add:" + std::to_string(category) + ":" + std::to_string(paths.size()));
  }
  void Refresh() override { log.push_back("refresh"); }

  FileChoice choice;
  std::vector<std::string> log;
};

class CategorySelectionTest : public ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    settings.SetFile(Path("dict.ini"));
  }
  // The whole selection, as the page runs it: the dialog, the files read,
  // their folder remembered.
  std::vector<FileEntry> Select(int category, std::vector<std::string> paths) {
    view.choice = {FileChoice::Outcome::Chosen, paths};
    EXPECT_TRUE(SelectCategory(category, "", settings, view));
    std::vector<FileEntry> rows;
    const std::string last = ReadChosenFiles(category, paths, view, [&](std::vector<FileEntry> batch) {
      view.log.push_back("rows:" + std::to_string(batch.size()));
      for (auto& row : batch) rows.push_back(std::move(row));
    });
    RememberFolder(settings, category, last);
    return rows;
  }
  std::string Remembered(int category) { return settings.ReadValue(kDownPathSection, CategoryTable::label(category)); }
  std::string Folder(const std::string& name) {
    const std::string folder = Path(name);
    EXPECT_TRUE(platform::MakeDirectory(folder));
    return folder;
  }

  DownloadPathStore settings;
  FakeView view;
};

TEST_F(CategorySelectionTest, SongsBringTheirLyricsAsTickedRecordsOfTheirOwn) {
  const std::string songs = Folder("歌");
  const auto in = [&](const char* name) { return platform::JoinPath(songs, name); };
  Write(in("a.mp3"), std::string(3000, 'a'));
  Write(in("a.lrc"), std::string(120, 'l'));
  const std::string big = in("b.wma");
  Write(big, "");
  std::filesystem::resize_file(std::filesystem::path(std::u8string(big.begin(), big.end())), 0x90000000ull);
  Write(in("b.lrc"), "7 bytes");
  Write(in("c.mp3"), "c");
  Write(in("C.LRC"), "lyric");  // as the folder spells it
  settings.WriteValue(kDownPathSection, CategoryTable::label(0), "C:\\旧");
  const auto rows = Select(0, {in("a.mp3"), in("b.wma"), in("c.mp3")});
  EXPECT_EQ((std::vector<std::string>{"page", "dialog:0:C:\\旧", "add:0:3", "rows:5"}), view.log);
  ASSERT_EQ(5u, rows.size());
  EXPECT_EQ("a.lrc", rows[1].name);
  EXPECT_EQ(120u, rows[1].size);
  EXPECT_EQ(1, rows[1].categoryNumber);
  EXPECT_EQ(0x90000000ull, rows[2].size);
  EXPECT_EQ(in("C.LRC"), rows[4].path);
  EXPECT_EQ(songs, Remembered(0));
}

TEST_F(CategorySelectionTest, RefusedWhileThePageIsBusyAndRefreshedWhenNothingIsChosen) {
  EXPECT_FALSE(SelectCategory(0, kBusyRefusal, settings, view));
  view.choice = {FileChoice::Outcome::Cancelled, {}};
  EXPECT_TRUE(SelectCategory(1, "", settings, view));
  EXPECT_EQ((std::vector<std::string>{"box:正在下载,请稍等片刻", "page", "dialog:1:", "refresh"}), view.log);
}

TEST_F(CategorySelectionTest, VanishedFilesAreReportedAndTheOthersStillAdded) {
  const std::string d = Folder("d");
  Write(platform::JoinPath(d, "b.edt"), "0123456789");
  const std::string gone = platform::JoinPath(d, "a.edt"), elsewhere = platform::JoinPath(Path("e"), "c.edt");
  const auto rows = Select(3, {gone, platform::JoinPath(d, "b.edt"), elsewhere});
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ("b.edt", rows[0].name);
  EXPECT_EQ((std::vector<std::string>{"page", "dialog:3:", "add:3:3", "box:" + MissingFileMessage(gone), "rows:1",
                                      "box:" + MissingFileMessage(elsewhere)}),
            view.log);
  EXPECT_EQ(Path("e"), Remembered(3));  // the last one handled, found or not
}

// The dialog answers a folder and names; at a drive's root the folder is
// remembered as "D:" and the dialog opened at "D:\" next time. Repeat
// reading brings its lyrics too; a choice too large for the dialog is told.
TEST_F(CategorySelectionTest, ADrivesRootIsRememberedAndTooManyFilesAreTold) {
  using Paths = std::vector<std::string>;
  EXPECT_EQ(ChosenPaths(Paths{"D:\\", "a.mp3", "b.mp3"}), (Paths{"D:\\a.mp3", "D:\\b.mp3"}));
  EXPECT_EQ(ChosenPaths(Paths{"D:\\歌", "a.mp3"}), Paths{"D:\\歌\\a.mp3"});
  const std::string songs = Folder("复读");
  Write(platform::JoinPath(songs, "a.mp3"), "song");
  Write(platform::JoinPath(songs, "a.lrc"), "lyric");
  EXPECT_EQ(Select(1, {platform::JoinPath(songs, "a.mp3")}).size(), 2u);
  RememberFolder(settings, 1, "D:\\a.mp3");
  EXPECT_EQ("D:", Remembered(1));
  view.log.clear();
  view.choice = {FileChoice::Outcome::TooMany, {}};
  ASSERT_TRUE(SelectCategory(1, "", settings, view));
  EXPECT_EQ((Paths{"page", "dialog:1:D:\\", "box:一次选择的文件太多，请分几次选择。", "refresh"}), view.log);
}

}  // namespace
}  // namespace dockline::download
