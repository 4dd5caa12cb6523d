#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "download/category_table.h"
#include "download/download_path_store.h"
#include "test_support.h"

namespace dockline::download {
namespace {

using testing::G;

class PathStore : public testing::ScratchFolder {
 protected:
  DownloadPathStore Store(std::string documents) {
    DownloadPathStore store([documents] { return documents; });
    store.SetFile(ini);
    return store;
  }
  bool Ensure(DownloadPathStore& store) { return store.EnsureFile(CategoryTable::labels(), notifier); }

  const std::string ini = Path("dict.ini");
  testing::RecordingNotifier notifier;
};

TEST_F(PathStore, FirstStartCreatesEveryCategoryKeyWithTheDocumentsFolder) {
  DownloadPathStore store = Store("D:\\用户\\我的文档");
  Write(ini + platform::kReplaceSuffix, "[DOWNPATH]\r\n");  // a write cut short before
  EXPECT_FALSE(store.SetFile(ini));
  EXPECT_TRUE(Ensure(store));
  EXPECT_TRUE(notifier.messages.empty());
  // Byte for byte, in GBK with CR LF: the nine labels in category order, the first with its blank.
  const std::string docs = "=D:\\\xD3\xC3\xBB\xA7\\\xCE\xD2\xB5\xC4\xCE\xC4\xB5\xB5\r\n";
  EXPECT_EQ(Read(ini), "[DOWNPATH]\r\n"
                       "\xCA\xFD \xC2\xEBMP3" + docs + "\xBF\xC9\xCA\xD3\xB8\xB4\xB6\xC1" + docs +
                       "\xB5\xE7\xD7\xD3\xCD\xBC\xCA\xE9" + docs + "\xCF\xC2\xD4\xD8\xB4\xCA\xB5\xE4" + docs +
                       "\xB1\xB3\xCB\xD0\xB4\xCA\xBF\xE2" + docs + "\xCC\xFD\xC1\xA6\xB2\xE2\xCA\xD4" + docs +
                       "\xBB\xC6\xB8\xD4\xB1\xA6\xB5\xE4" + docs + "\xD1\xA7\xCF\xB0\xCA\xFD\xBE\xDD" + docs +
                       "\xCF\xC2\xD4\xD8\xCD\xBC\xC6\xAC" + docs);
  EXPECT_EQ(FileCount(), 1u);  // no temporary file left behind
  EXPECT_EQ(store.ReadValue("DOWNPATH", "下载图片"), "D:\\用户\\我的文档");

  // The verify option keeps a section of its own; the category keys stay byte for byte.
  const std::string categories = Read(ini);
  EXPECT_FALSE(store.VerifyAfterWrite());
  EXPECT_TRUE(store.SetVerifyAfterWrite(true));
  EXPECT_TRUE(store.VerifyAfterWrite());
  EXPECT_EQ(Read(ini), categories + "\r\n[VERIFY]\r\nAFTERWRITE=1\r\n");
  EXPECT_TRUE(store.SetVerifyAfterWrite(false));
  EXPECT_FALSE(store.VerifyAfterWrite());
  // Skipping unchanged files is on until the user turns it off.
  EXPECT_TRUE(store.SkipUnchanged());
  EXPECT_TRUE(store.SetSkipUnchanged(false));
  EXPECT_FALSE(store.SkipUnchanged());
  EXPECT_TRUE(Read(ini).ends_with("\r\n[SKIP]\r\nUNCHANGED=0\r\n"));

  // Unknown, or named in letters GBK lacks (it would come back as a wrong path): empty values.
  for (const std::string& unstorable : {std::string(), std::string("C:\\Users\\김\\Documents")}) {
    platform::RemoveFile(ini);
    DownloadPathStore other = Store(unstorable);
    EXPECT_TRUE(Ensure(other));
    EXPECT_TRUE(Read(ini).starts_with("[DOWNPATH]\r\n\xCA\xFD \xC2\xEBMP3=\r\n\xBF\xC9"));
  }
}

TEST_F(PathStore, AFileThatCannotBeMadeIsReportedAndTheProgramGoesOn) {
  DownloadPathStore store = Store("C:\\docs");
  store.SetFile(platform::JoinPath(Path("missing"), "dict.ini"));
  EXPECT_FALSE(Ensure(store));
  EXPECT_EQ(notifier.messages, std::vector<std::string>{"ini文件建立错误"});
  EXPECT_EQ(store.ReadValue("DOWNPATH", "电子图书"), "");
  EXPECT_FALSE(store.WriteValue("DOWNPATH", "电子图书", "C:\\x"));
  EXPECT_EQ(FileCount(), 0u);
  // A folder in the file's place is neither replaced nor written into.
  ASSERT_TRUE(platform::MakeDirectory(ini));
  EXPECT_FALSE(store.SetFile(ini));
  EXPECT_FALSE(Ensure(store));
  EXPECT_EQ(notifier.messages.size(), 2u);
  EXPECT_FALSE(store.WriteValue("DOWNPATH", "电子图书", "C:\\x"));
  EXPECT_TRUE(platform::IsDirectory(ini));
}

// Another account's file, or one locked away: it is neither rebuilt nor
// written (every other remembered folder would be lost), reads give "", and
// the user hears of it once, at start. Root reads every file, so
// run_as_user.sh runs this case as an ordinary user.
TEST_F(PathStore, AFileThatCannotBeReadIsLeftAloneAndToldOnce) {
  const std::string kept = G("[DOWNPATH]\r\n学习数据=D:\\资料\r\n");
  Write(ini, kept);
  std::filesystem::permissions(Native(ini), std::filesystem::perms::none);
  if (platform::Bytes bytes; platform::ReadWholeFile(ini, bytes)) {
    std::filesystem::permissions(Native(ini), std::filesystem::perms::owner_all);
    GTEST_SKIP() << "this user reads every file: run_as_user.sh runs this case";
  }
  DownloadPathStore store = Store("C:\\docs");
  EXPECT_TRUE(Ensure(store));
  EXPECT_EQ(store.ReadValue("DOWNPATH", "学习数据"), "");
  EXPECT_FALSE(store.WriteValue("DOWNPATH", "下载图片", "E:\\相册"));
  EXPECT_EQ(notifier.messages, std::vector<std::string>{UnreadableSettingsText(ini)});
  std::filesystem::permissions(Native(ini), std::filesystem::perms::owner_all);
  EXPECT_EQ(Read(ini), kept);
  EXPECT_EQ(FileCount(), 1u);
}

}  // namespace
}  // namespace dockline::download
