#include "download/dropped_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "download/category_selection.h"
#include "download/category_table.h"
#include "test_support.h"

namespace dockline::download {
namespace {

using testing::RecordingNotifier;
using testing::ScratchFolder;

TEST(DroppedFiles, EachFileGoesUnderTheCategoryThatTakesItsTypeTheCurrentOneFirst) {
  struct Case {
    const char* name;
    int current;
    int category;
  };
  const Case cases[] = {
      {"歌.mp3", 1, 1},   {"歌.mp3", 0, 0},  {"歌.MP3", 2, 0},   // the current one, else the first that takes it
      {"歌.mp3", 9, 0},   {"歌.blm", 1, 1},  {"歌.wma", 1, 0},   // an organizer entry takes nothing
      {"书.TXT", 0, 2},   {"页.html", 8, 2}, {"页.htm", 8, 2},   {"书.epub", 0, 2}, {"报告.DOCX", 8, 2},
      {"词.edt", 0, 3},   {"词.rct", 0, 4},  {"听.sim", 0, 5},   {"宝.sub", 0, 6}, {"宝.poi", 6, 6},
      {"英语百科.abc", 0, 7},
      {"照片.jpe", 0, 8}, {"图.PNG", 2, 8},  {"扫描.tiff", 0, 8}, {"旧.bmp", 3, 8},
      {"歌.lrc", 0, kNoCategory},  // lyrics come only with their song
      {"说明.doc", 2, kNoCategory}, {"书.mobi", 2, kNoCategory}, {"没有点", 0, kNoCategory},
      {"歌.mp3.zip", 0, kNoCategory},
      {"歌.mp", 0, kNoCategory},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CategoryForDroppedFile(std::string("C:\\拖入\\") + c.name, c.current), c.category)
        << c.name << " with " << c.current << " current";
}

// Books in formats that are not taken are named apart, with what to do.
TEST(DroppedFiles, TheRefusedAreNamedOnceTheFirstFewAndHowManyBooksApart) {
  EXPECT_EQ(RefusedFilesMessage({"a.zip", "b.exe"}), "以下文件不属于任何一类下载内容，没有添加：\na.zip\nb.exe");
  const std::string many = RefusedFilesMessage({"1", "2", "3", "4", "5", "6", "7"});
  EXPECT_EQ(many.substr(many.find('\n')), "\n1\n2\n3\n4\n5\n……共7个文件。");
  EXPECT_EQ(RefusedFilesMessage({"书.MOBI", "a.zip", "书.azw3", "书.azw", "文.pdf", "旧.doc"}),
            "以下文件不属于任何一类下载内容，没有添加：\na.zip\n\n以下电子书或文档的格式无法转换，没有添加：\n书.MOBI\n书.azw3\n"
            "书.azw\n文.pdf\n旧.doc\n" + std::string(kSaveBooksAsText));
  EXPECT_EQ(RefusedFilesMessage({"书.pdf"}), "以下电子书或文档的格式无法转换，没有添加：\n书.pdf\n" + std::string(kSaveBooksAsText));
}

class DroppedFolder : public ScratchFolder {
 protected:
  // The scratch folder's "a/b/c", spelt with the platform's separators.
  std::string At(std::string_view relative) {
    std::string path = dir_;
    for (std::size_t start = 0, slash = 0; slash != std::string_view::npos; start = slash + 1) {
      slash = relative.find('/', start);
      path = platform::JoinPath(path, relative.substr(start, slash - start));
    }
    return path;
  }
  std::string Make(std::string_view relative, std::string_view bytes = "x") {
    const std::string path = At(relative);
    std::filesystem::create_directories(Native(path).parent_path());
    Write(path, bytes);
    return path;
  }
  // name:categoryNumber of every row, in order.
  std::vector<std::string> Drop(const std::vector<std::string>& paths, int current) {
    std::vector<std::string> rows;
    refused = ReadDroppedFiles(
        paths, current, notifier,
        [&](std::vector<FileEntry> batch) {
          for (const FileEntry& row : batch) {
            rows.push_back(row.name + ":" + std::to_string(row.categoryNumber));
            sizes.push_back(row.size);
          }
        },
        {}, &found);
    return rows;
  }
  std::atomic<std::size_t> found{0};
  RecordingNotifier notifier;
  std::vector<std::string> refused;
  std::vector<std::uint64_t> sizes;
};

// Songs with lyrics, a book, pictures, hidden files and what no category
// takes, partly in a subfolder, dropped with a song and its lyrics beside it
// and with files the folder holds: each file comes once, and is counted once.
TEST_F(DroppedFolder, FoldersAreWalkedEachFileComesOnceAndTheRestIsNamed) {
  Make("拖入/a.lrc");
  Make("拖入/a.mp3", "song");
  Make("拖入/b.wma");
  Make("拖入/说明.doc");
  Make("拖入/.隐藏.mp3");
  Make("拖入/子/图.png");
  Make("拖入/子/书.txt");
  Make("拖入/子/孤.lrc");
  const std::string lyric = Make("单.LRC");
  const std::string song = Make("单.mp3");
  const std::vector<std::string> rows =
      Drop({At("拖入/子/书.txt"), At("拖入"), lyric, song, At("没了.mp3"), At("拖入/a.mp3"), At("拖入/子")}, 1);
  EXPECT_EQ(rows, (std::vector<std::string>{"书.txt:3", "a.mp3:2", "a.lrc:2", "b.wma:1", "图.png:9", "单.mp3:2",
                                            "单.LRC:2"}));
  EXPECT_EQ(found, 9u);
  EXPECT_EQ(sizes[1], 4u);
  EXPECT_EQ(refused, (std::vector<std::string>{"说明.doc", "孤.lrc"}));
  EXPECT_EQ(notifier.messages, std::vector<std::string>{MissingFileMessage(At("没了.mp3"))});
}

TEST_F(DroppedFolder, AFolderThatLinksBackToItselfIsWalkedOnce) {
  Make("圈/a.txt");
  std::error_code ec;
  std::filesystem::create_directory_symlink(Native(At("圈")), Native(At("圈/回")), ec);
  if (ec || !platform::IsDirectory(At("圈/回"))) GTEST_SKIP() << "no folder links here";
  EXPECT_EQ(Drop({At("圈")}, 0), std::vector<std::string>{"a.txt:3"});
}

}  // namespace
}  // namespace dockline::download
