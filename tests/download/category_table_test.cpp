#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "download/category_table.h"

namespace dockline::download {
namespace {

using T = CategoryTable;

TEST(CategoryTable, TextsAreTheDevicesOwnAndOutOfRangeIndexesGiveNothing) {
  ASSERT_EQ(T::labels().size(), 9u);
  EXPECT_EQ(T::labels()[0], "数 码MP3");  // the blank is part of the name
  EXPECT_EQ(T::label(8), "下载图片");
  EXPECT_EQ(T::fileFilter(2),
            "电子图书(*.txt,*.htm,*.html)|*.txt;*.htm;*.html|*.txt|*.txt|*.htm,*.html|*.htm;*.html||");
  EXPECT_EQ(T::fileFilter(6), "黄冈宝典(*.sub,*.poi)|*.poi;*.sub||");
  EXPECT_EQ(T::deviceFolder(8), ":\\系统\\图片\\");  // not named after its label
  for (const int bad : {-1, 9}) {
    EXPECT_EQ(T::label(bad), "");
    EXPECT_EQ(T::deviceFolder(bad), "");
    EXPECT_TRUE(T::listingPasses(bad).empty());
    EXPECT_EQ(T::typeText(bad), "");
    EXPECT_EQ(T::devicePath('G', bad, "a.mp3"), "");
  }
  EXPECT_EQ(T::ListingPass(15).category, kNoCategory);
}

std::vector<std::string> Wildcards(int category) {
  std::vector<std::string> out;
  for (const int p : T::listingPasses(category)) out.emplace_back(T::ListingPass(p).wildcard);
  return out;
}

TEST(CategoryTable, ListingPassesCoverEachDeviceFileTypeOnce) {
  EXPECT_EQ(Wildcards(0), (std::vector<std::string>{"*.mp3", "*.blm", "*.wma", "*.wav", "*.mid"}));
  EXPECT_EQ(Wildcards(1), (std::vector<std::string>{"*.mp3", "*.blm"}));
  EXPECT_EQ(Wildcards(6), (std::vector<std::string>{"*.poi", "*.sub"}));
  // Web pages arrive as text and bitmaps as device pictures: only those are listed.
  EXPECT_EQ(Wildcards(2), std::vector<std::string>{"*.txt"});
  EXPECT_EQ(Wildcards(8), std::vector<std::string>{"*.ych"});
  std::multiset<int> seen;
  for (int c = 0; c < kCategoryCount; ++c) {
    EXPECT_EQ(T::listingPasses(c).front(), c);
    for (const int p : T::listingPasses(c)) {
      seen.insert(p);
      EXPECT_EQ(T::ListingPass(p).category, c);
      EXPECT_EQ(T::ListingPass(p).folder, T::deviceFolder(c));
    }
  }
  for (int p = 0; p < kListingPassCount; ++p) EXPECT_EQ(seen.count(p), 1u) << p;
}

TEST(CategoryTable, TypeTextRoundTripsAndShortTextsNameNoCategory) {
  EXPECT_EQ(T::typeText(0), "1.数 码MP3");
  EXPECT_EQ(T::categoryFromTypeText("9.下载图片"), 8);
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

TEST(CategoryTable, DevicePathsAndFolders) {
  EXPECT_EQ(T::devicePath('E', 0, "a.mp3"), "E:\\mp3\\a.mp3");
  EXPECT_EQ(T::devicePath('G', 2, "书.txt"), "G:\\系统\\电子图书\\书.txt");
  // The encyclopedia goes to its own place under its own spelling, whatever
  // the ASCII case of its name and the category of its row.
  EXPECT_EQ(T::devicePath('G', 7, "英语百科.ABC"), "G:\\系统\\数据\\英语百科.abc");
  EXPECT_EQ(T::devicePath('H', 0, "英语百科.aBc"), "H:\\系统\\数据\\英语百科.abc");
  EXPECT_EQ(T::devicePath('G', 7, "英语百科2.abc"), "G:\\系统\\学习数据\\英语百科2.abc");
  EXPECT_EQ(T::devicePath('G', 7, "英语百科.abcd"), "G:\\系统\\学习数据\\英语百科.abcd");

  const std::vector<std::string> f = T::allDeviceFolders('F');
  ASSERT_EQ(f.size(), 10u);
  EXPECT_EQ(f.front(), "F:\\系统\\");  // the parent first
  EXPECT_EQ(f[1], "F:\\mp3\\");        // at the root of the disk
  EXPECT_EQ(f.back(), "F:\\系统\\图片\\");
}

}  // namespace
}  // namespace dockline::download
