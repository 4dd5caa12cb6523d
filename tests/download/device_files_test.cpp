#include "download/device_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "download/category_table.h"
#include "download/download_run.h"
#include "download/test_support.h"

namespace dockline::download {
namespace {

using testing::RecordingNotifier;
using testing::ScratchFolder;
using Texts = std::vector<std::string>;

class DeviceFiles : public ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    ASSERT_TRUE(platform::MakeDirectory(device_));
    RecordingNotifier quiet;
    ASSERT_TRUE(PrepareDownload(device_, true, 1, quiet));
  }
  std::string OnDevice(int category, std::string_view name) const {
    return DeviceFilePath(device_, CategoryTable::devicePath('A', category, name));
  }
  Texts Names(const std::vector<FileEntry>& rows) {
    Texts names;
    for (const auto& r : rows) names.push_back(r.name);
    return names;
  }
  const std::string device_ = Path("设备");
};

TEST_F(DeviceFiles, EachPassPutsItsRowsFirstAndSkipsDotNamesAndFolders) {
  Write(OnDevice(0, "a.mp3"), "aaa");
  Write(OnDevice(0, "b.blm"), "b");
  Write(OnDevice(0, "c.mid"), "c");
  Write(OnDevice(0, ".hidden.mp3"), "h");
  ASSERT_TRUE(platform::MakeDirectory(OnDevice(0, "folder.wav")));
  Write(OnDevice(0, "a.mp3.part~"), "half");
  RecordingNotifier notifier;
  const auto rows = ListCategoryFiles(device_, 0, [] { return true; }, notifier);
  EXPECT_EQ(Names(rows), (Texts{"c.mid", "b.blm", "a.mp3"}));
  EXPECT_EQ(rows[2].size, 3u);
  EXPECT_EQ(rows[2].path, OnDevice(0, "a.mp3"));
  EXPECT_TRUE(rows[2].marked && rows[2].categoryNumber == 1);
  EXPECT_TRUE(notifier.messages.empty());
  // A device gone before the second pass is told once, and ends the listing.
  int asked = 0;
  EXPECT_EQ(Names(ListCategoryFiles(device_, 0, [&] { return ++asked < 2; }, notifier)), Texts{"a.mp3"});
  EXPECT_EQ(notifier.messages, Texts{"言途6170没有联机!"});
}

// A list of rows as the page holds them.
class ListView : public DeletionView {
 public:
  std::size_t RowCount() const override { return rows.size(); }
  bool IsTicked(std::size_t i) const override { return rows[i].marked; }
  const FileEntry* Entry(std::size_t i) const override { return &rows[i]; }
  void RemoveRow(std::size_t i) override { rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i)); }
  bool ConfirmDeviceDeletion() override {
    events.push_back("确定?");
    return confirm;
  }
  void BeginBusy(std::string_view text) override { events.emplace_back(text); }
  void EndBusy() override { events.push_back("done"); }
  void ShowDeletionError(std::string_view d) override { events.push_back("error " + std::string(d)); }
  std::vector<FileEntry> rows;
  Texts events;
  bool confirm = true;
};

TEST_F(DeviceFiles, DeletingTakesCompanionsAndReadOnlyFilesDescribesFailuresAndRemovesEveryTickedRow) {
  const Texts files = {OnDevice(2, "book.txt"), OnDevice(2, "book.cfg"), OnDevice(0, "song.mp3"),
                       OnDevice(0, "song.cfg"), OnDevice(0, "keep.mp3")};
  for (const auto& f : files) Write(f, "x");
  // A folder under a file's name: its attributes clear, but it cannot be deleted as a file.
  const std::string folder = OnDevice(2, "dir.txt");
  ASSERT_TRUE(platform::MakeDirectory(folder));
  std::filesystem::permissions(std::filesystem::path(std::u8string(files[2].begin(), files[2].end())),
                               std::filesystem::perms::owner_read);
  ListView view;
  view.rows = {{true, 1, "book.txt", 3, files[0]}, {true, 1, "song.mp3", 1, files[2]},
               {false, 1, "keep.mp3", 1, files[4]}, {true, 1, "gone.mp3", 1, OnDevice(0, "gone.mp3")},
               {true, 1, "dir.txt", 3, folder}};
  RecordingNotifier notifier;
  EXPECT_EQ(DeleteTickedRows(view, true, [] { return true; }, notifier), DeleteOutcome::Removed);
  for (const auto& f : {files[0], files[1], files[2]}) EXPECT_FALSE(platform::FileExists(f)) << f;
  EXPECT_TRUE(platform::FileExists(files[3])) << "music has no companion";
  EXPECT_TRUE(platform::FileExists(files[4]));
  EXPECT_EQ(Names(view.rows), Texts{"keep.mp3"});
  // A file gone already is no failure; the folder is, and its row still goes.
  ASSERT_EQ(view.events.size(), 4u);
  EXPECT_EQ(view.events[0] + view.events[1] + view.events[3], "确定?正在删除，请稍候done");
  EXPECT_EQ(view.events[2].rfind("error " + folder + "：", 0), 0u) << view.events[2];
}

TEST_F(DeviceFiles, TheDeleteCommandAsksRefusesAndStopsWhereItShould) {
  const std::string song = OnDevice(0, "song.mp3");
  Write(song, "x");
  const FileEntry ticked{true, 1, "song.mp3", 1, song};
  struct Case {
    bool deviceView, confirm, online;
    std::vector<FileEntry> rows;
    DeleteOutcome outcome;
    std::size_t rowsLeft;
    bool fileLeft;
    Texts messages;
  };
  FileEntry unticked = ticked;
  unticked.marked = false;
  const std::vector<Case> cases = {
      {true, true, true, {}, DeleteOutcome::NoRows, 0, true, {}},
      {true, true, true, {unticked}, DeleteOutcome::NothingTicked, 1, true, {"尚未选择要删除的文件。"}},
      {true, false, true, {ticked}, DeleteOutcome::Declined, 1, true, {}},
      {false, false, true, {ticked, unticked}, DeleteOutcome::Removed, 1, true, {}},  // the PC list: no question, no file
      {true, true, false, {ticked}, DeleteOutcome::Removed, 0, true, {}},  // the device went: rows go, files stay
  };
  for (const auto& c : cases) {
    ListView view;
    view.rows = c.rows;
    view.confirm = c.confirm;
    RecordingNotifier notifier;
    EXPECT_EQ(DeleteTickedRows(view, c.deviceView, [&] { return c.online; }, notifier), c.outcome);
    EXPECT_EQ(view.rows.size(), c.rowsLeft);
    EXPECT_EQ(platform::FileExists(song), c.fileLeft);
    EXPECT_EQ(notifier.messages, c.messages);
  }
}

}  // namespace
}  // namespace dockline::download
