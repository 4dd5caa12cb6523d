#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "download/category_table.h"
#include "platform/file_system.h"

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

// The help page's table of categories says what the program does: each
// row's label, the types the category's file dialog offers first, and its
// folder on the device.
TEST(CategoryTable, TheHelpPagesTableOfCategoriesIsTheTables) {
  platform::Bytes bytes;
  ASSERT_TRUE(platform::ReadWholeFile(DOCKLINE_SOURCE_DIR "/res/help/dockline-help.html", bytes));
  const std::string page(bytes.begin(), bytes.end());
  std::size_t at = page.find("<table id=\"categories\">");
  ASSERT_NE(at, std::string::npos);
  const std::string table = page.substr(at, page.find("</table>", at) - at);
  std::vector<std::vector<std::string>> rows;
  for (at = table.find("<tr><td>"); at != std::string::npos; at = table.find("<tr><td>", at)) {
    std::vector<std::string> cells;
    for (std::size_t cell = table.find("<td>", at); cell != std::string::npos && cell < table.find("</tr>", at);
         cell = table.find("<td>", cell + 1))
      cells.push_back(table.substr(cell + 4, table.find("</td>", cell) - cell - 4));
    rows.push_back(cells);
    at = table.find("</tr>", at);
  }
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kCategoryCount));
  for (int i = 0; i < kCategoryCount; ++i) {
    const auto& row = rows[static_cast<std::size_t>(i)];
    ASSERT_EQ(row.size(), 3u) << i;
    EXPECT_EQ(row[0], T::label(i));
    EXPECT_EQ(row[2], std::string(T::deviceFolder(i).substr(1)));
    // The first choice of the filter: "description|*.a;*.b|…".
    const std::string_view filter = T::fileFilter(i);
    const std::size_t bar = filter.find('|');
    std::string types;
    for (std::string_view patterns = filter.substr(bar + 1, filter.find('|', bar + 1) - bar - 1); !patterns.empty();) {
      const std::size_t semicolon = patterns.find(';');
      types += (types.empty() ? "" : " ") + std::string(patterns.substr(1, semicolon - 1));
      patterns = semicolon == std::string_view::npos ? std::string_view() : patterns.substr(semicolon + 1);
    }
    EXPECT_EQ(row[1], types) << T::label(i);
  }
}

}  // namespace
}  // namespace dockline::download
