#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "download/category_table.h"
#include "download/download_path_store.h"
#include "download/settings_location.h"
#include "platform/app_folders.h"
#include "test_support.h"

namespace dockline::download {
namespace {

using testing::G;

class SettingsLocation : public testing::ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    ASSERT_TRUE(platform::MakeDirectory(program));
  }
  std::string Choose(bool writable, std::string appData) {
    return ChooseSettingsFile({program, std::move(appData), [writable](const std::string&) { return writable; }});
  }

  const std::string program = Path("程序");
  const std::string appData = Path("应用数据");  // not there yet: made on demand
  const std::string own = platform::JoinPath(platform::JoinPath(appData, "DOCKLINE"), "dict.ini");
  const std::string beside = platform::JoinPath(program, "dict.ini");
};

TEST_F(SettingsLocation, PicksTheProgramFolderWhileItTakesFilesElseTheUsersFolder) {
  const std::string shipped = G("[DOWNPATH]\r\n电子图书=D:\\书\r\n");
  struct Case {
    const char* what;
    bool writable;
    bool besideExists;
    bool ownExists;
    bool appDataKnown;
    bool expectOwn;
    std::string expectedOwnBytes;  // when expectOwn: "" = no file yet
  } const cases[] = {
      {"writable folder, as always", true, true, false, true, false, ""},
      {"writable folder, no file yet", true, false, false, true, false, ""},
      {"read-only, nothing shipped", false, false, false, true, true, ""},
      {"read-only with a shipped file: copied", false, true, false, true, true, shipped},
      {"read-only, user's copy already there: kept", false, true, true, true, true, "[DOWNPATH]\r\n"},
      {"read-only and no user folder known", false, true, false, false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (c.besideExists) Write(beside, shipped);
    if (c.ownExists) {
      ASSERT_TRUE(platform::MakeDirectory(appData));
      ASSERT_TRUE(platform::MakeDirectory(std::string(platform::FolderPart(own))));
      Write(own, "[DOWNPATH]\r\n");
    }
    const std::string chosen = Choose(c.writable, c.appDataKnown ? appData : "");
    EXPECT_EQ(chosen, c.expectOwn ? own : beside);
    if (c.expectOwn) {
      EXPECT_TRUE(platform::IsDirectory(std::string(platform::FolderPart(own))));
      EXPECT_EQ(platform::FileExists(own) ? Read(own) : "", c.expectedOwnBytes);
    } else {
      EXPECT_FALSE(platform::IsDirectory(appData));  // nothing made where it is not needed
    }
    if (c.besideExists) {
      EXPECT_EQ(Read(beside), shipped);  // the shipped file is only read
    }
  }
}

TEST_F(SettingsLocation, FallsBackBesideTheProgramWhenTheUsersFolderCannotBeMade) {
  Write(Path("文件"), "x");  // a file where the folder would have to be
  EXPECT_EQ(Choose(false, platform::JoinPath(Path("文件"), "sub")), beside);
  EXPECT_EQ(Choose(false, Path("文件")), beside);
}

// What a user sees over two starts of a program in a folder it cannot write
// to: the folder picked in the first is offered by the second, and no
// creation error. Answers the settings file used.
std::string RemembersAcrossStarts(const std::string& programFolder, const std::string& appData,
                           const std::function<bool(const std::string&)>& writable) {
  testing::RecordingNotifier notifier;
  std::string ini;
  for (int start = 0; start < 2; ++start) {
    ini = ChooseSettingsFile({programFolder, appData, writable});
    DownloadPathStore store([] { return std::string("C:\\文档"); });
    store.SetFile(ini);
    EXPECT_TRUE(store.EnsureFile(CategoryTable::labels(), notifier));
    if (start == 0) {
      EXPECT_TRUE(store.WriteValue("DOWNPATH", "下载图片", "E:\\相册"));
    } else {
      EXPECT_EQ(store.ReadValue("DOWNPATH", "下载图片"), "E:\\相册");
    }
  }
  EXPECT_TRUE(notifier.messages.empty());
  return ini;
}

TEST_F(SettingsLocation, AReadOnlyProgramFolderStillRemembersFolders) {
  const std::string ini = RemembersAcrossStarts(program, appData, [](const std::string&) { return false; });
  EXPECT_EQ(ini, own);
  DownloadPathStore store;
  store.SetFile(ini);
  EXPECT_EQ(store.ReadValue("DOWNPATH", "电子图书"), "C:\\文档");  // the first start's defaults
  EXPECT_EQ(FileCount(), 2u);  // the program folder and the user's folder, nothing else
  EXPECT_FALSE(platform::FileExists(beside));
}

// A program folder that is read-only for real, laid out by
// tests/download/readonly_folder.sh (which runs this case alone): the
// system's own probe must say so, and the store must work around it.
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
  const std::string own = RemembersAcrossStarts(folder, appData, &platform::IsFolderWritable);
  EXPECT_EQ(own, platform::JoinPath(platform::JoinPath(appData, "DOCKLINE"), "dict.ini"));
  // The shipped key came along; the new one joined it.
  const std::string bytes = Read(own);
  EXPECT_NE(bytes.find(G("学习数据=D:\\资料")), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(G("下载图片=E:\\相册")), std::string::npos) << bytes;
  EXPECT_EQ(platform::FindFiles(platform::JoinPath(folder, "*")).size(), 1u);
}

}  // namespace
}  // namespace dockline::download
