#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "download/category_table.h"

namespace dockline::download {
namespace {

using T = CategoryTable;

TEST(CategoryTable, LabelsFoldersAndFiltersAreTheDevicesOwn) {
  const std::vector<std::string> labels{"数 码MP3", "可视复读", "电子图书", "下载词典", "背诵词库",
                                        "听力测试", "黄冈宝典", "学习数据", "下载图片"};
  ASSERT_EQ(T::labels().size(), 9u);
  for (int i = 0; i < kCategoryCount; ++i) {
    EXPECT_EQ(T::label(i), labels[i]);
    EXPECT_EQ(T::labels()[i], labels[i]);
    // Every filter starts with its label as the description and is closed by "||".
    EXPECT_TRUE(T::fileFilter(i).starts_with(labels[i] + "(")) << i;
    EXPECT_TRUE(T::fileFilter(i).ends_with("||")) << i;
    EXPECT_TRUE(T::deviceFolder(i).starts_with(":\\")) << i;
    EXPECT_TRUE(T::deviceFolder(i).ends_with("\\")) << i;
  }
  EXPECT_EQ(T::fileFilter(0), "数 码MP3(*.mp3,*.blm,*.wma,*.wav,*.mid)|*.mp3;*.blm;*.wma;*.wav;*.mid||");
  EXPECT_EQ(T::fileFilter(2),
            "电子图书(*.txt,*.htm,*.html)|*.txt;*.htm;*.html|*.txt|*.txt|*.htm,*.html|*.htm;*.html||");
  EXPECT_EQ(T::fileFilter(6), "黄冈宝典(*.sub,*.poi)|*.poi;*.sub||");
  // Music sits at the root of the disk; the picture folder is not named after its label.
  EXPECT_EQ(T::deviceFolder(0), ":\\mp3\\");
  EXPECT_EQ(T::deviceFolder(1), ":\\系统\\可视复读\\");
  EXPECT_EQ(T::deviceFolder(8), ":\\系统\\图片\\");

  for (const int bad : {-1, 9, 17}) {
    EXPECT_EQ(T::label(bad), "");
    EXPECT_EQ(T::fileFilter(bad), "");
    EXPECT_EQ(T::deviceFolder(bad), "");
    EXPECT_TRUE(T::listingPasses(bad).empty());
    EXPECT_EQ(T::typeText(bad), "");
    EXPECT_EQ(T::devicePath('G', bad, "a.mp3"), "");
  }
}

struct Found {
  std::string folder, wildcard;
  int category;
  bool operator==(const Found&) const = default;
};

std::vector<Found> Passes(int category) {
  std::vector<Found> out;
  for (const int p : T::listingPasses(category)) {
    const ListingPassEntry e = T::ListingPass(p);
    out.push_back({std::string(e.folder), std::string(e.wildcard), e.category});
  }
  return out;
}

TEST(CategoryTable, ListingPassesCoverEveryDeviceFileType) {
  // Music is listed in five passes over one folder, in this order.
  EXPECT_EQ(Passes(0), (std::vector<Found>{{":\\mp3\\", "*.mp3", 0},
                                           {":\\mp3\\", "*.blm", 0},
                                           {":\\mp3\\", "*.wma", 0},
                                           {":\\mp3\\", "*.wav", 0},
                                           {":\\mp3\\", "*.mid", 0}}));
  EXPECT_EQ(Passes(1), (std::vector<Found>{{":\\系统\\可视复读\\", "*.mp3", 1}, {":\\系统\\可视复读\\", "*.blm", 1}}));
  EXPECT_EQ(Passes(6), (std::vector<Found>{{":\\系统\\黄冈宝典\\", "*.poi", 6}, {":\\系统\\黄冈宝典\\", "*.sub", 6}}));
  // E-books show text only (web pages arrive converted), pictures only the device's own files.
  EXPECT_EQ(Passes(2), (std::vector<Found>{{":\\系统\\电子图书\\", "*.txt", 2}}));
  EXPECT_EQ(Passes(8), (std::vector<Found>{{":\\系统\\图片\\", "*.ych", 8}}));

  // Each of the fifteen passes belongs to exactly one category, the one it lists into.
  std::multiset<int> seen;
  for (int c = 0; c < kCategoryCount; ++c) {
    ASSERT_FALSE(T::listingPasses(c).empty());
    EXPECT_EQ(T::listingPasses(c).front(), c);
    for (const int p : T::listingPasses(c)) {
      seen.insert(p);
      EXPECT_EQ(T::ListingPass(p).category, c);
      EXPECT_EQ(T::ListingPass(p).folder, T::deviceFolder(c));
    }
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kListingPassCount));
  for (int p = 0; p < kListingPassCount; ++p) EXPECT_EQ(seen.count(p), 1u) << p;
  EXPECT_EQ(T::ListingPass(15).category, kNoCategory);
  EXPECT_EQ(T::ListingPass(-1).wildcard, "");
}

TEST(CategoryTable, TypeTextRoundTripsAndShortTextsNameNoCategory) {
  EXPECT_EQ(T::typeText(0), "1.数 码MP3");
  EXPECT_EQ(T::typeText(2), "3.电子图书");
  EXPECT_EQ(T::categoryFromTypeText("1.数 码MP3"), 0);
  EXPECT_EQ(T::categoryFromTypeText("9.下载图片"), 8);
  for (int i = 0; i < kCategoryCount; ++i) EXPECT_EQ(T::categoryFromTypeText(T::typeText(i)), i);
  // The device list puts the combo's wording after the number: only the number counts.
  EXPECT_EQ(T::categoryFromTypeText("7.anything"), 6);
  EXPECT_EQ(T::categoryFromTypeText("4"), 3);

  for (const char* bad : {"", "x", ".", "0.数 码MP3", "10.名片", "19.x", "99", "-1.x", " 3.电子图书", "数"})
    EXPECT_EQ(T::categoryFromTypeText(bad), kNoCategory) << bad;

  // Texts of one character exactly, with nothing after them in memory: the
  // sanitizer build proves the second character is not read.
  for (const char c : {'5', 'a'}) {
    const std::unique_ptr<char[]> one(new char[1]{c});
    EXPECT_EQ(T::categoryFromTypeText(std::string_view(one.get(), 1)), c == '5' ? 4 : kNoCategory);
  }
}

TEST(CategoryTable, DevicePathsAndTheEncyclopediaFile) {
  EXPECT_EQ(T::devicePath('E', 0, "a.mp3"), "E:\\mp3\\a.mp3");
  EXPECT_EQ(T::devicePath('G', 2, "书.txt"), "G:\\系统\\电子图书\\书.txt");
  EXPECT_EQ(T::devicePath('G', 8, "p.bmp"), "G:\\系统\\图片\\p.bmp");
  // The encyclopedia goes to its own folder under its canonical name, in any
  // ASCII case and whatever category its row carries.
  EXPECT_EQ(T::devicePath('G', 7, "英语百科.ABC"), "G:\\系统\\数据\\英语百科.abc");
  EXPECT_EQ(T::devicePath('G', 7, "英语百科.aBc"), "G:\\系统\\数据\\英语百科.abc");
  EXPECT_EQ(T::devicePath('H', 0, "英语百科.abc"), "H:\\系统\\数据\\英语百科.abc");
  // Near misses are ordinary study data.
  EXPECT_EQ(T::devicePath('G', 7, "英语百科2.abc"), "G:\\系统\\学习数据\\英语百科2.abc");
  EXPECT_EQ(T::devicePath('G', 7, "英语百科.abcd"), "G:\\系统\\学习数据\\英语百科.abcd");
  EXPECT_EQ(T::devicePath('G', 7, "x英语百科.abc"), "G:\\系统\\学习数据\\x英语百科.abc");
}

TEST(CategoryTable, FoldersAreCreatedParentFirst) {
  const std::vector<std::string> f = T::allDeviceFolders('F');
  ASSERT_EQ(f.size(), 10u);
  EXPECT_EQ(f.front(), "F:\\系统\\");
  EXPECT_EQ(f[1], "F:\\mp3\\");  // at the root, not under the system folder
  EXPECT_EQ(f.back(), "F:\\系统\\图片\\");
  for (int i = 0; i < kCategoryCount; ++i) EXPECT_EQ(f[i + 1], "F" + std::string(T::deviceFolder(i)));
  // Every folder under the system folder comes after it.
  for (std::size_t i = 2; i < f.size(); ++i) EXPECT_TRUE(f[i].starts_with(f[0])) << f[i];
}

}  // namespace
}  // namespace dockline::download
