#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "download/category_table.h"

namespace dockline::download {
namespace {

using T = CategoryTable;
using Texts = std::vector<std::string>;

TEST(CategoryTable, TypeTextRoundTripsAndShortTextsNameNoCategory) {
  EXPECT_EQ(T::typeText(0), "1.数 码MP3");  // the blank is part of the label
  for (int i = 0; i < kCategoryCount; ++i) EXPECT_EQ(T::categoryFromTypeText(T::typeText(i)), i);
  // The device list shows the combo's wording after the number: only the number counts.
  EXPECT_EQ(T::categoryFromTypeText("7.anything"), 6);
  for (const char* bad : {"", "x", "0.数 码MP3", "10.名片", "99", " 3.电子图书"})
    EXPECT_EQ(T::categoryFromTypeText(bad), kNoCategory) << bad;
  // One character with nothing after it in memory: the sanitizer build
  // proves that no second character is read.
  for (const char c : {'5', 'a'}) {
    const std::unique_ptr<char[]> one(new char[1]{c});
    EXPECT_EQ(T::categoryFromTypeText(std::string_view(one.get(), 1)), c == '5' ? 4 : kNoCategory);
  }
}

TEST(CategoryTable, ACategoryIsNamedByItsNumberOrItsLabelWithBlanksAndCaseIgnored) {
  for (const char* name : {"数码MP3", "数 码MP3", " 数码mp3 ", "数\xE3\x80\x80码Mp3", "1"})
    EXPECT_EQ(T::categoryFromName(name), 0) << name;
  EXPECT_EQ(T::categoryFromName("下载 图片"), kPictureCategory);
  EXPECT_EQ(T::categoryFromName("9"), kPictureCategory);
  for (const char* bad : {"", " ", "0", "10", "数码", "MP3", "电子图书s"})
    EXPECT_EQ(T::categoryFromName(bad), kNoCategory) << bad;
}

TEST(CategoryTable, DevicePathsAndFoldersAndNothingOutsideTheTable) {
  EXPECT_EQ(T::devicePath('E', 0, "a.mp3"), "E:\\mp3\\a.mp3");  // at the root of the disk
  EXPECT_EQ(T::devicePath('G', 2, "书.txt"), "G:\\系统\\电子图书\\书.txt");
  // The encyclopedia goes to its own place under its own spelling, whatever
  // the ASCII case of its name and the category of its row.
  EXPECT_EQ(T::devicePath('G', 7, "英语百科.ABC"), "G:\\系统\\数据\\英语百科.abc");
  EXPECT_EQ(T::devicePath('H', 0, "英语百科.aBc"), "H:\\系统\\数据\\英语百科.abc");
  EXPECT_EQ(T::devicePath('G', 7, "英语百科2.abc"), "G:\\系统\\学习数据\\英语百科2.abc");
  EXPECT_EQ(T::devicePath('G', 7, "英语百科.abcd"), "G:\\系统\\学习数据\\英语百科.abcd");
  for (const int bad : {-1, 9}) {
    EXPECT_TRUE(T::label(bad).empty() && T::fileFilter(bad).empty() && T::deviceFolder(bad).empty()) << bad;
    EXPECT_TRUE(T::listingPasses(bad).empty() && T::typeText(bad).empty() && T::devicePath('G', bad, "a").empty());
  }
  EXPECT_EQ(T::ListingPass(kListingPassCount).category, kNoCategory);
}

}  // namespace
}  // namespace dockline::download
