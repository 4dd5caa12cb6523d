#include "download/device_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#endif

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
    PrepareDeviceFolders(device_);
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

TEST_F(DeviceFiles, DeletingTakesCompanionsAndReadOnlyFilesAndARowGoesOnlyWithItsFile) {
  const Texts files = {OnDevice(2, "book.txt"), OnDevice(2, "book.cfg"), OnDevice(0, "song.mp3"),
                       OnDevice(0, "song.cfg")};
  for (const auto& f : files) Write(f, "x");
  // A folder under a file's name: its attributes clear, but it cannot be deleted as a file.
  const std::string folder = OnDevice(2, "dir.txt");
  ASSERT_TRUE(platform::MakeDirectory(folder));
  std::filesystem::permissions(std::filesystem::path(std::u8string(files[2].begin(), files[2].end())),
                               std::filesystem::perms::owner_read);
  const std::vector<DeviceFile> targets = {
      {files[0], 3}, {files[2], 1}, {OnDevice(0, "gone.mp3"), 1}, {folder, 3}};
  std::vector<std::size_t> gone;
  Texts failures;
  DeleteDeviceFiles(
      targets, [] { return true; }, {}, [&](std::size_t i) { gone.push_back(i); },
      [&](const std::string& d) { failures.push_back(d); });
  for (const auto& f : {files[0], files[1], files[2]}) EXPECT_FALSE(platform::FileExists(f)) << f;
  EXPECT_TRUE(platform::FileExists(files[3])) << "music has no companion";
  // A file gone already is no failure; the folder is, and its row stays.
  EXPECT_EQ(gone, (std::vector<std::size_t>{0, 1, 2}));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].rfind(folder + "：", 0), 0u) << failures[0];
}

#ifndef _WIN32
// A write-protected medium refuses the attribute reset and the deletion
// alike: the file stays, so its row must, and both failures are named.
TEST_F(DeviceFiles, AFileOnAWriteProtectedMediumKeepsItsRowAndIsNamed) {
  const std::string medium = Path("写保护");
  ASSERT_TRUE(platform::MakeDirectory(medium));
  if (::mount("tmpfs", medium.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "mounting a tmpfs was refused (" << std::strerror(errno) << "): needs root";
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount(at.c_str()); }
  } unmount{medium};
  const std::string book = platform::JoinPath(medium, "书.txt");
  Write(book, "x");
  Write(platform::JoinPath(medium, "书.cfg"), "x");
  ASSERT_EQ(::mount(nullptr, medium.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);
  const DeviceFileDeletion result = DeleteDeviceFile(book, 3);
  EXPECT_FALSE(result.gone);
  EXPECT_TRUE(platform::FileExists(book));
  EXPECT_EQ(result.failures, (Texts{book + "：" + platform::ErrorText(EROFS),
                                    platform::JoinPath(medium, "书.cfg") + "：" + platform::ErrorText(EROFS)}));
}
#endif

TEST_F(DeviceFiles, NoFileIsDeletedOnceTheDeviceHasGoneOrAStopIsAsked) {
  const Texts files = {OnDevice(0, "a.mp3"), OnDevice(0, "b.mp3"), OnDevice(0, "c.mp3")};
  std::vector<DeviceFile> targets;
  for (const auto& f : files) targets.push_back({f, 1});
  for (const bool stop : {false, true}) {
    for (const auto& f : files) Write(f, "x");
    std::stop_source source;
    if (stop) source.request_stop();
    int asked = 0;
    std::vector<std::size_t> gone;
    DeleteDeviceFiles(
        targets, [&] { return ++asked < 2; }, source.get_token(), [&](std::size_t i) { gone.push_back(i); },
        [](const std::string& d) { FAIL() << d; });
    EXPECT_EQ(gone, stop ? std::vector<std::size_t>{} : std::vector<std::size_t>{0});
    EXPECT_EQ(platform::FileExists(files[0]), stop);
    EXPECT_TRUE(platform::FileExists(files[1]) && platform::FileExists(files[2]));
  }
}

TEST(Deletion, TheDeleteCommandAsksAndRefusesWhereItShould) {
  struct Case {
    std::vector<bool> ticked;
    bool deviceView, confirm;
    DeleteOutcome outcome;
    std::vector<std::size_t> rows;
    Texts messages;
    int questions;
  };
  const std::vector<Case> cases = {
      {{}, true, true, DeleteOutcome::NoRows, {}, {}, 0},
      {{false, false}, true, true, DeleteOutcome::NothingTicked, {}, {"尚未选择要删除的文件。"}, 0},
      {{true}, true, false, DeleteOutcome::Declined, {}, {}, 1},
      {{true, false, true}, true, true, DeleteOutcome::Go, {2, 0}, {}, 1},
      {{true, false, true}, false, false, DeleteOutcome::Go, {2, 0}, {}, 0},  // the PC list: no question
  };
  for (const auto& c : cases) {
    RecordingNotifier notifier;
    int questions = 0;
    const DeletionPlan plan = PlanDeletion(
        c.ticked, c.deviceView,
        [&] {
          ++questions;
          return c.confirm;
        },
        notifier);
    EXPECT_EQ(plan.outcome, c.outcome);
    EXPECT_EQ(plan.rows, c.rows);
    EXPECT_EQ(notifier.messages, c.messages);
    EXPECT_EQ(questions, c.questions);
  }
}

}  // namespace
}  // namespace dockline::download
