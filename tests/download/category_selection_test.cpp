#include "download/category_selection.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "download/category_table.h"
#include "download/file_list.h"
#include "test_support.h"

namespace dockline::download {
namespace {

using testing::ScratchFolder;

// Records what the page would have shown, in order.
class FakeView : public CategorySelectionView {
 public:
  void ShowMessage(std::string_view utf8) override { log.push_back("box:" + std::string(utf8)); }
  void ShowPage() override { log.push_back("page"); }
  FileChoice ChooseFiles(int category, const std::string& initialFolder) override {
    log.push_back("dialog:" + std::to_string(category) + ":" + initialFolder);
    return choice;
  }
  void BeginAdding() override { log.push_back("begin"); }
  void EndAdding() override { log.push_back("end"); }
  void AddRow(FileEntry entry) override {
    log.push_back("row:" + entry.name);
    rows.push_back(std::move(entry));
  }
  void Refresh() override { log.push_back("refresh"); }

  FileChoice choice;
  std::vector<std::string> log;
  std::vector<FileEntry> rows;
};

class CategorySelectionTest : public ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    settings.SetFile(Path("dict.ini"));
  }
  bool Select(int category, std::vector<std::string> paths, bool running = false) {
    view.choice = {FileChoice::Outcome::Chosen, std::move(paths)};
    return SelectCategory(category, running, settings, view, sizes);
  }
  std::string Remembered(int category) { return settings.ReadValue(kDownPathSection, CategoryTable::label(category)); }

  DownloadPathStore settings;
  FakeView view;
  // Files the selection may find; anything else has vanished.
  std::map<std::string, std::uint64_t> files;
  FileSizeSource sizes = [this](const std::string& p) -> std::optional<std::uint64_t> {
    const auto it = files.find(p);
    if (it == files.end()) return std::nullopt;
    return it->second;
  };
};

TEST_F(CategorySelectionTest, SongsBringTheirLyricsAsTickedRecordsOfTheirOwn) {
  files = {{"C:\\歌\\a.mp3", 3000}, {"C:\\歌\\a.lrc", 120}, {"C:\\歌\\b.wma", 0x90000000ull}, {"C:\\歌\\b.lrc", 7}};
  settings.WriteValue(kDownPathSection, CategoryTable::label(0), "C:\\旧");
  ASSERT_TRUE(Select(0, {"C:\\歌\\a.mp3", "C:\\歌\\b.wma"}));
  EXPECT_EQ((std::vector<std::string>{"page", "dialog:0:C:\\旧", "begin", "row:a.mp3", "row:a.lrc", "row:b.wma", "end",
                                      "refresh"}),
            view.log);
  EXPECT_EQ(120u, view.rows[1].size);
  EXPECT_EQ(1, view.rows[1].categoryNumber);
  EXPECT_EQ(0x90000000ull, view.rows[2].size);
  EXPECT_EQ("C:\\歌", Remembered(0));
}

TEST_F(CategorySelectionTest, RefusedWhileADownloadRuns) {
  files = {{"C:\\a.mp3", 1}};
  EXPECT_FALSE(Select(0, {"C:\\a.mp3"}, /*running=*/true));
  EXPECT_EQ((std::vector<std::string>{"box:正在下载,请稍等片刻"}), view.log);
}

TEST_F(CategorySelectionTest, VanishedFilesAreReportedAndTheOthersStillAdded) {
  files = {{"C:\\d\\b.edt", 10}};
  ASSERT_TRUE(Select(3, {"C:\\d\\a.edt", "C:\\d\\b.edt", "C:\\e\\c.edt"}));
  EXPECT_EQ((std::vector<std::string>{"page", "dialog:3:", "begin", "box:请确定文件 C:\\d\\a.edt 是否存在。", "row:b.edt",
                                      "box:请确定文件 C:\\e\\c.edt 是否存在。", "end", "refresh"}),
            view.log);
  EXPECT_EQ("C:\\e", Remembered(3));  // the last one handled, found or not
}

// The dialog answers a folder and names; at a drive's root the folder is
// remembered as "D:" and the dialog opened at "D:\" next time.
TEST_F(CategorySelectionTest, ADrivesRootIsRememberedAndTooManyFilesAreTold) {
  using Paths = std::vector<std::string>;
  EXPECT_EQ(ChosenPaths(Paths{"D:\\", "a.mp3", "b.mp3"}), (Paths{"D:\\a.mp3", "D:\\b.mp3"}));
  EXPECT_EQ(ChosenPaths(Paths{"D:\\歌", "a.mp3"}), Paths{"D:\\歌\\a.mp3"});
  files = {{"D:\\a.mp3", 1}, {"D:\\a.lrc", 1}};
  ASSERT_TRUE(Select(1, {"D:\\a.mp3"}));  // repeat reading brings the lyrics too
  EXPECT_EQ(view.rows.size(), 2u);
  EXPECT_EQ("D:", Remembered(1));
  view.log.clear();
  view.choice = {FileChoice::Outcome::TooMany, {}};
  ASSERT_TRUE(SelectCategory(1, false, settings, view, sizes));
  EXPECT_EQ((Paths{"page", "dialog:1:D:\\", "box:一次选择的文件太多，请分几次选择。", "refresh"}), view.log);
}

}  // namespace
}  // namespace dockline::download
