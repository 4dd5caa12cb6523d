#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/category_table.h"
#include "download/download_path_store.h"
#include "platform/file_system.h"
#include "scratch_folder.h"
#include "text/encoding.h"

namespace dockline::download {
namespace {

std::string G(std::string_view utf8) { return text::Utf8ToGbk(utf8); }

class RecordingNotifier : public platform::Notifier {
 public:
  void ShowMessage(std::string_view utf8) override { messages.emplace_back(utf8); }
  std::vector<std::string> messages;
};

// What a plain GBK text editor expects: no byte-order mark, no NUL, every
// line ended by CR LF, every byte sequence a GBK character.
void ExpectPlainGbkWithCrlf(const std::string& bytes) {
  EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF"));
  EXPECT_FALSE(bytes.starts_with("\xFF\xFE"));
  EXPECT_EQ(bytes.find('\0'), std::string::npos);
  ASSERT_FALSE(bytes.empty());
  EXPECT_TRUE(bytes.ends_with("\r\n"));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
    }
    if (bytes[i] == '\r') {
      EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  bool lossless = false;
  text::GbkToUtf8(bytes, &lossless);
  EXPECT_TRUE(lossless);
}

class PathStore : public testing::ScratchFolder {
 protected:
  std::string ini() const { return Path("dict.ini"); }
  DownloadPathStore Store(std::string documents) {
    return DownloadPathStore([this, documents] {
      ++documentsAsked;
      return documents;
    });
  }
  RecordingNotifier notifier;
  int documentsAsked = 0;
};

const std::string kDocs = "D:\\用户\\我的文档";

TEST_F(PathStore, FirstStartCreatesEveryCategoryKeyWithTheDocumentsFolder) {
  DownloadPathStore store = Store(kDocs);
  EXPECT_FALSE(store.SetFile(ini()));
  EXPECT_EQ(store.file(), ini());
  EXPECT_TRUE(store.EnsureFile(CategoryTable::labels(), notifier));
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_TRUE(store.SetFile(ini()));

  // Byte for byte: the section, then the nine labels in category order,
  // the first with its blank, each set to the folder; GBK and CR LF.
  const std::string docs = "D:\\\xD3\xC3\xBB\xA7\\\xCE\xD2\xB5\xC4\xCE\xC4\xB5\xB5";
  const std::string expected = "[DOWNPATH]\r\n"
                               "\xCA\xFD \xC2\xEBMP3=" + docs + "\r\n"
                               "\xBF\xC9\xCA\xD3\xB8\xB4\xB6\xC1=" + docs + "\r\n"
                               "\xB5\xE7\xD7\xD3\xCD\xBC\xCA\xE9=" + docs + "\r\n"
                               "\xCF\xC2\xD4\xD8\xB4\xCA\xB5\xE4=" + docs + "\r\n"
                               "\xB1\xB3\xCB\xD0\xB4\xCA\xBF\xE2=" + docs + "\r\n"
                               "\xCC\xFD\xC1\xA6\xB2\xE2\xCA\xD4=" + docs + "\r\n"
                               "\xBB\xC6\xB8\xD4\xB1\xA6\xB5\xE4=" + docs + "\r\n"
                               "\xD1\xA7\xCF\xB0\xCA\xFD\xBE\xDD=" + docs + "\r\n"
                               "\xCF\xC2\xD4\xD8\xCD\xBC\xC6\xAC=" + docs + "\r\n";
  const std::string bytes = Read(ini());
  EXPECT_EQ(bytes, expected);
  ExpectPlainGbkWithCrlf(bytes);
  // Written whole under a temporary name that does not stay behind.
  EXPECT_EQ(Listing(), std::vector<std::string>{"dict.ini"});

  EXPECT_TRUE(store.HasSection(kDownPathSection));
  for (const std::string_view label : CategoryTable::labels()) EXPECT_EQ(store.ReadValue("DOWNPATH", label), kDocs);
}

TEST_F(PathStore, AnExistingFileIsLeftExactlyAsItIs) {
  for (const std::string& content : {std::string(), G("[DOWNPATH]\r\n"), std::string("junk\xFF\n"),
                                     G("[DOWNPATH]\n数 码MP3=E:\\歌\n")}) {
    Write(ini(), content);
    DownloadPathStore store = Store(kDocs);
    EXPECT_TRUE(store.SetFile(ini()));
    EXPECT_TRUE(store.EnsureFile(CategoryTable::labels(), notifier));
    EXPECT_EQ(Read(ini()), content);
  }
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_EQ(documentsAsked, 0);
}

TEST_F(PathStore, AFileThatCannotBeMadeIsReportedAndLeavesNothing) {
  // The folder it should go into is missing.
  DownloadPathStore store = Store(kDocs);
  const std::string nowhere = platform::JoinPath(Path("missing"), "dict.ini");
  EXPECT_FALSE(store.SetFile(nowhere));
  EXPECT_FALSE(store.EnsureFile(CategoryTable::labels(), notifier));
  EXPECT_EQ(notifier.messages, std::vector<std::string>{"ini文件建立错误"});
  // The program goes on: reads give nothing, writes change nothing.
  EXPECT_EQ(store.ReadValue("DOWNPATH", "电子图书"), "");
  EXPECT_FALSE(store.HasSection("DOWNPATH"));
  EXPECT_FALSE(store.WriteValue("DOWNPATH", "电子图书", "C:\\x"));
  EXPECT_TRUE(Listing().empty());

  // A folder in the file's place is neither replaced nor written into.
  ASSERT_TRUE(platform::MakeDirectory(ini()));
  EXPECT_FALSE(store.SetFile(ini()));
  EXPECT_FALSE(store.EnsureFile(CategoryTable::labels(), notifier));
  EXPECT_EQ(notifier.messages.size(), 2u);
  EXPECT_FALSE(store.WriteValue("DOWNPATH", "电子图书", "C:\\x"));
  EXPECT_TRUE(platform::IsDirectory(ini()));

  // No file named at all.
  DownloadPathStore unset = Store(kDocs);
  EXPECT_FALSE(unset.EnsureFile(CategoryTable::labels(), notifier));
  EXPECT_EQ(notifier.messages.size(), 3u);
  EXPECT_FALSE(unset.WriteValue("DOWNPATH", "k", "v"));
}

TEST_F(PathStore, DefaultsAreEmptyWhenTheDocumentsFolderCannotBeStored) {
  // Unknown, or a name GBK cannot spell (it would come back as a wrong path).
  for (const std::string& docs : {std::string(), std::string("C:\\Users\\김\\Documents")}) {
    platform::RemoveFile(ini());
    DownloadPathStore store = Store(docs);
    store.SetFile(ini());
    EXPECT_TRUE(store.EnsureFile(CategoryTable::labels(), notifier));
    EXPECT_TRUE(store.HasSection("DOWNPATH"));
    for (const std::string_view label : CategoryTable::labels()) EXPECT_EQ(store.ReadValue("DOWNPATH", label), "");
    EXPECT_TRUE(Read(ini()).starts_with("[DOWNPATH]\r\n\xCA\xFD \xC2\xEBMP3=\r\n\xBF\xC9"));
  }
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(PathStore, MissingFileSectionOrKeyReadsEmpty) {
  DownloadPathStore store = Store(kDocs);
  store.SetFile(ini());
  EXPECT_EQ(store.ReadValue("DOWNPATH", "电子图书"), "");
  EXPECT_FALSE(store.HasSection("DOWNPATH"));

  Write(ini(), G("[Other]\r\n电子图书=x\r\n[DOWNPATH]\r\n; only a comment\r\n\r\n[Third]\r\n"));
  EXPECT_EQ(store.ReadValue("DOWNPATH", "电子图书"), "");
  EXPECT_FALSE(store.HasSection("DOWNPATH"));  // a section with no keys counts as missing
  EXPECT_TRUE(store.HasSection("other"));
  EXPECT_FALSE(store.HasSection("Fourth"));
  EXPECT_EQ(store.ReadValue("other", "电子图书"), "x");
  EXPECT_EQ(store.ReadValue("other", "下载图片"), "");
}

TEST_F(PathStore, WritesReplaceOneValueAndKeepTheRestOfTheFile) {
  DownloadPathStore store = Store(kDocs);
  store.SetFile(ini());
  // A file edited by hand: LF ends, a comment, another section, names in other cases.
  const std::string before = G("; 用户的设置\n[Other]\nk=v\n\n[downpath]\n数 码mp3 = E:\\歌\n电子图书=E:\\旧\n");
  Write(ini(), before);

  ASSERT_TRUE(store.WriteValue("DOWNPATH", "电子图书", "E:\\资料\\书"));
  EXPECT_EQ(Read(ini()), G("; 用户的设置\n[Other]\nk=v\n\n[downpath]\n数 码mp3 = E:\\歌\n电子图书=E:\\资料\\书\n"));
  // A file picked at the root of a drive leaves the drive alone.
  ASSERT_TRUE(store.WriteValue("DOWNPATH", "下载图片", "C:"));
  EXPECT_EQ(Read(ini()),
            G("; 用户的设置\n[Other]\nk=v\n\n[downpath]\n数 码mp3 = E:\\歌\n电子图书=E:\\资料\\书\n下载图片=C:\r\n"));
  EXPECT_EQ(store.ReadValue("DOWNPATH", "数 码MP3"), "E:\\歌");
  EXPECT_EQ(store.ReadValue("DOWNPATH", "电子图书"), "E:\\资料\\书");
  EXPECT_EQ(store.ReadValue("DOWNPATH", "下载图片"), "C:");
  EXPECT_EQ(store.ReadValue("Other", "k"), "v");
  EXPECT_EQ(Listing(), std::vector<std::string>{"dict.ini"});

  // Unchanged values and refused texts leave the file as it is.
  const std::string now = Read(ini());
  EXPECT_TRUE(store.WriteValue("DOWNPATH", "下载图片", "C:"));
  EXPECT_FALSE(store.WriteValue("DOWNPATH", "下载图片", "C:\\김"));
  EXPECT_EQ(Read(ini()), now);
  EXPECT_EQ(store.ReadValue("DOWNPATH", "下载图片"), "C:");
}

TEST_F(PathStore, AWriteCreatesAMissingFileAsPlainGbk) {
  DownloadPathStore store = Store(kDocs);
  store.SetFile(ini());
  ASSERT_TRUE(store.WriteValue("DOWNPATH", "数 码MP3", "C:\\音乐 收藏"));
  ASSERT_TRUE(store.WriteValue("DOWNPATH", "学习数据", " 前后有空格 "));
  const std::string bytes = Read(ini());
  EXPECT_EQ(bytes, "[DOWNPATH]\r\n\xCA\xFD \xC2\xEBMP3=" + G("C:\\音乐 收藏") + "\r\n" +
                       G("学习数据=\" 前后有空格 \"") + "\r\n");
  ExpectPlainGbkWithCrlf(bytes);
  EXPECT_EQ(store.ReadValue("downpath", "数 码mp3"), "C:\\音乐 收藏");
  EXPECT_EQ(store.ReadValue("DOWNPATH", "学习数据"), " 前后有空格 ");
}

TEST_F(PathStore, LongValuesComeBackCutTo259BytesBetweenCharacters) {
  std::string books;  // 150 two-byte characters, 300 bytes in GBK
  for (int i = 0; i < 150; ++i) books += "书";
  std::string kor;  // characters GBK lacks count two bytes each as well
  for (int i = 0; i < 150; ++i) kor += "김";
  Write(ini(), G("[DOWNPATH]\r\na=" + std::string(300, 'x') + "\r\nb=x" + books + "\r\nc=" + books +
                 "\r\nd=" + std::string(259, 'y') + "\r\n"));
  DownloadPathStore store = Store(kDocs);
  store.SetFile(ini());
  const auto gbkSize = [](const std::string& s) { return text::Utf8ToGbk(s).size(); };

  EXPECT_EQ(store.ReadValue("DOWNPATH", "a"), std::string(259, 'x'));
  const std::string b = store.ReadValue("DOWNPATH", "b");
  EXPECT_EQ(gbkSize(b), 259u);  // 1 + 129 × 2: fits exactly
  EXPECT_TRUE(b.starts_with("x书"));
  const std::string c = store.ReadValue("DOWNPATH", "c");
  EXPECT_EQ(gbkSize(c), 258u);  // the 130th character would be cut in half
  EXPECT_EQ(c, books.substr(0, 129 * std::string("书").size()));
  EXPECT_EQ(store.ReadValue("DOWNPATH", "d"), std::string(259, 'y'));

  Write(ini(), "\xEF\xBB\xBF[DOWNPATH]\r\ne=x" + kor + "\r\n");
  EXPECT_EQ(store.ReadValue("DOWNPATH", "e"), "x" + kor.substr(0, 129 * std::string("김").size()));
}

}  // namespace
}  // namespace dockline::download
