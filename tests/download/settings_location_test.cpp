#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "download/category_table.h"
#include "download/download_path_store.h"
#include "download/settings_location.h"
#include "platform/app_folders.h"
#include "test_support.h"

namespace dockline::download {
namespace {

using testing::G;

class SettingsLocation : public testing::ScratchFolder {};

TEST_F(SettingsLocation, PicksTheProgramFolderWhileItTakesFilesElseTheUsersFolder) {
  const std::string program = Path("程序");
  const std::string appData = Path("应用数据");  // not there yet: made on demand
  const std::string blocked = Path("文件");      // a file where the folder would have to be
  const std::string own = platform::JoinPath(platform::JoinPath(appData, "DOCKLINE"), "dict.ini");
  const std::string beside = platform::JoinPath(program, "dict.ini");
  const std::string shipped = G("[DOWNPATH]\r\n电子图书=D:\\书\r\n");
  enum AppData { Known, Unknown, Blocked };
  struct Case {
    const char* what;
    bool writable, besideExists, ownExists;
    AppData appData;
    bool expectOwn;
    std::string expectedOwnBytes;  // when expectOwn: "" = no file yet
  } const cases[] = {
      {"writable folder, as always", true, true, false, Known, false, ""},
      {"read-only, nothing shipped", false, false, false, Known, true, ""},
      {"read-only, user's copy already there: kept", false, true, true, Known, true, "[DOWNPATH]\r\n"},
      {"read-only and no user folder known", false, true, false, Unknown, false, ""},
      {"read-only and the user folder cannot be made", false, true, false, Blocked, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    ASSERT_TRUE(platform::MakeDirectory(program));
    Write(blocked, "x");
    if (c.besideExists) Write(beside, shipped);
    if (c.ownExists) {
      ASSERT_TRUE(platform::MakeDirectory(appData));
      ASSERT_TRUE(platform::MakeDirectory(std::string(platform::FolderPart(own))));
      Write(own, "[DOWNPATH]\r\n");
    }
    const std::string folder = c.appData == Known ? appData : c.appData == Blocked ? blocked + "\\子" : "";
    const bool writable = c.writable;
    const std::string chosen =
        ChooseSettingsFile({program, folder, [writable](const std::string&) { return writable; }});
    EXPECT_EQ(chosen, c.expectOwn ? own : beside);
    if (c.expectOwn) {
      EXPECT_EQ(platform::FileExists(own) ? Read(own) : "", c.expectedOwnBytes);
    } else {
      EXPECT_FALSE(platform::IsDirectory(appData));  // nothing made where it is not needed
    }
    if (c.besideExists) {
      EXPECT_EQ(Read(beside), shipped);  // the shipped file is only read
    }
  }
}

// A program folder that is read-only for real, laid out by
// tests/download/readonly_folder.sh (which runs this case alone): the
// system's own probe must say so, and the folders picked in one start must
// be offered in the next, with no creation error.
class ReadOnlyProgramFolder : public testing::ScratchFolder {};

TEST_F(ReadOnlyProgramFolder, SettingsMoveToTheUsersFolderWithTheShippedContent) {
  const char* env = std::getenv("DOCKLINE_READONLY_FOLDER");
  if (!env || !*env) GTEST_SKIP() << "run through readonly_folder.sh";
  std::string folder = env;
#ifdef _WIN32
  if (folder.front() == '/') {  // a Unix path from the script: Wine's Z: drive
    for (char& ch : folder) if (ch == '/') ch = '\\';
    folder = "Z:" + folder;
  }
#endif
  const std::string shipped = platform::JoinPath(folder, "dict.ini");
  ASSERT_TRUE(platform::FileExists(shipped)) << shipped;
  EXPECT_FALSE(platform::IsFolderWritable(folder));

  const std::string appData = Path("应用数据");
  testing::RecordingNotifier notifier;
  std::string ini;
  for (int start = 0; start < 2; ++start) {
    ini = ChooseSettingsFile({folder, appData, &platform::IsFolderWritable});
    DownloadPathStore store([] { return std::string("C:\\文档"); });
    store.SetFile(ini);
    EXPECT_TRUE(store.EnsureFile(CategoryTable::labels(), notifier));
    if (start == 0) {
      EXPECT_TRUE(store.WriteValue("DOWNPATH", "下载图片", "E:\\相册"));
    } else {
      EXPECT_EQ(store.ReadValue("DOWNPATH", "下载图片"), "E:\\相册");
      EXPECT_EQ(store.ReadValue("DOWNPATH", "学习数据"), "D:\\资料");  // shipped, carried over
    }
  }
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_EQ(ini, platform::JoinPath(platform::JoinPath(appData, "DOCKLINE"), "dict.ini"));
  EXPECT_EQ(platform::FindFiles(platform::JoinPath(folder, "*")).size(), 1u);
}

}  // namespace
}  // namespace dockline::download
