#include "download/file_conversion.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "download/category_table.h"

namespace dockline::download {
namespace {

TEST(FileConversion, EachKindOfFileIsDecidedOnceWithItsNameOnTheDevice) {
  using C = Conversion;
  const std::vector<std::tuple<int, std::string, C, std::string>> cases = {
      {2, "书.HTML", C::PageToText, "G:\\系统\\电子图书\\书.txt"},
      {2, "my.page.htm", C::PageToText, "G:\\系统\\电子图书\\my.txt"},
      {0, "页.html", C::Copy, "G:\\mp3\\页.html"},                  // pages convert for e-books only
      {2, "书.EPUB", C::DocumentToText, "G:\\系统\\电子图书\\书.txt"},
      {2, "my.book.epub", C::DocumentToText, "G:\\系统\\电子图书\\my.book.txt"},
      {2, "报告.docx", C::DocumentToText, "G:\\系统\\电子图书\\报告.txt"},
      {0, "书.epub", C::Copy, "G:\\mp3\\书.epub"},                  // and books too
      {8, "照片.JPG", C::Picture, "G:\\系统\\图片\\照片.ych"},
      {8, "a.b.jpeg", C::Picture, "G:\\系统\\图片\\a.b.ych"},
      {8, "图.png", C::Picture, "G:\\系统\\图片\\图.ych"},
      {8, "动.gif", C::Picture, "G:\\系统\\图片\\动.ych"},
      {8, "扫描.tiff", C::Picture, "G:\\系统\\图片\\扫描.ych"},
      {8, "旧.BMP", C::Picture, "G:\\系统\\图片\\旧.ych"},
      {3, "字典.BMP", C::Picture, "G:\\系统\\下载词典\\字典.ych"},  // a bitmap converts in any category
      {3, "照片.jpg", C::Copy, "G:\\系统\\下载词典\\照片.jpg"},
      {2, "书.txt", C::BookText, "G:\\系统\\电子图书\\书.txt"},
      {0, "歌.LRC", C::BookText, "G:\\mp3\\歌.LRC"},
      {0, "歌.mp3", C::Copy, "G:\\mp3\\歌.mp3"},
      {7, "英语百科.abc", C::Copy, "G:\\系统\\数据\\英语百科.abc"},
  };
  for (const auto& [category, name, kind, target] : cases) {
    const auto plan = PlanConversion(category, "C:\\资料\\" + name, CategoryTable::devicePath('G', category, name));
    EXPECT_EQ(plan.kind, kind) << name;
    EXPECT_EQ(plan.target, target) << name;
  }
  EXPECT_EQ(PlanConversion(2, "书.txt", "G:\\书.txt", true).kind, C::Copy) << "raw texts";
  EXPECT_EQ(PlanConversion(2, "书.epub", "G:\\书.epub", true).kind, C::DocumentToText) << "a book is no raw text";
}

}  // namespace
}  // namespace dockline::download
