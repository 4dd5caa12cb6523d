#include "download/category_selection.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "download/category_table.h"
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
    const std::string last = ReadChosenFiles(category, paths, sizes, view, [&](std::vector<FileEntry> batch) {
      view.log.push_back("rows:" + std::to_string(batch.size()));
      for (auto& row : batch) rows.push_back(std::move(row));
    });
    RememberFolder(settings, category, last);
    return rows;
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
  const auto rows = Select(0, {"C:\\歌\\a.mp3", "C:\\歌\\b.wma"});
  EXPECT_EQ((std::vector<std::string>{"page", "dialog:0:C:\\旧", "add:0:2", "rows:3"}), view.log);
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ("a.lrc", rows[1].name);
  EXPECT_EQ(120u, rows[1].size);
  EXPECT_EQ(1, rows[1].categoryNumber);
  EXPECT_EQ(0x90000000ull, rows[2].size);
  EXPECT_EQ("C:\\歌", Remembered(0));
}

TEST_F(CategorySelectionTest, RefusedWhileThePageIsBusyAndRefreshedWhenNothingIsChosen) {
  EXPECT_FALSE(SelectCategory(0, kBusyRefusal, settings, view));
  view.choice = {FileChoice::Outcome::Cancelled, {}};
  EXPECT_TRUE(SelectCategory(1, "", settings, view));
  EXPECT_EQ((std::vector<std::string>{"box:正在下载,请稍等片刻", "page", "dialog:1:", "refresh"}), view.log);
}

TEST_F(CategorySelectionTest, VanishedFilesAreReportedAndTheOthersStillAdded) {
  files = {{"C:\\d\\b.edt", 10}};
  const auto rows = Select(3, {"C:\\d\\a.edt", "C:\\d\\b.edt", "C:\\e\\c.edt"});
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ("b.edt", rows[0].name);
  EXPECT_EQ((std::vector<std::string>{"page", "dialog:3:", "add:3:3", "box:请确定文件 C:\\d\\a.edt 是否存在。", "rows:1",
                                      "box:请确定文件 C:\\e\\c.edt 是否存在。"}),
            view.log);
  EXPECT_EQ("C:\\e", Remembered(3));  // the last one handled, found or not
}

}  // namespace
}  // namespace dockline::download
