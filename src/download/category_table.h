#pragma once
// The nine content categories and everything that depends on them: the
// sidebar label (also the dict.ini key), the file-dialog filter, the device
// folder files are copied into, and the passes that list what the device
// already holds. All texts are UTF-8; callers convert at the edges.
//
// A category is an index 0..8; rows and FileEntry records carry its
// categoryNumber, index + 1. Device paths are a drive letter followed by a
// folder that begins with ":\".

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dockline::download {

inline constexpr int kCategoryCount = 9;
inline constexpr int kListingPassCount = 15;
// What categoryFromTypeText answers for a text that names no category.
inline constexpr int kNoCategory = -1;

// The categories that rules of their own single out.
inline constexpr int kMusicCategory = 0;           // 数 码MP3
inline constexpr int kRepeatReadingCategory = 1;   // 可视复读
inline constexpr int kBookCategory = 2;            // 电子图书
inline constexpr int kExamGuideCategory = 6;       // 黄冈宝典
inline constexpr int kPictureCategory = 8;         // 下载图片

constexpr bool IsCategory(int index) { return index >= 0 && index < kCategoryCount; }
// Songs of these categories may bring a lyric file ("a.mp3" → "a.lrc").
constexpr bool HasLyricFiles(int index) { return index == kMusicCategory || index == kRepeatReadingCategory; }
// Device files of these categories may have a companion ("book.txt" →
// "book.cfg") that is deleted with them.
constexpr bool HasCompanionFiles(int index) { return index == kRepeatReadingCategory || index == kBookCategory; }

// Parent of most category folders; created before them.
inline constexpr std::string_view kSystemFolder = ":\\系统\\";
// The encyclopedia file has a fixed home of its own, whatever its category.
inline constexpr std::string_view kEncyclopediaName = "英语百科.abc";
inline constexpr std::string_view kEncyclopediaPath = ":\\系统\\数据\\英语百科.abc";

// One listing pass: every file matching `wildcard` in `folder` is shown
// under `category`.
struct ListingPassEntry {
  std::string_view folder;
  std::string_view wildcard;
  int category = kNoCategory;
};

class CategoryTable {
 public:
  // Lookups answer an empty text (or list) for an index outside the table
  // rather than reading past it.
  static std::string_view label(int index);
  static std::string_view fileFilter(int index);
  static std::string_view deviceFolder(int index);
  // The nine labels in category order: the key table of dict.ini.
  static std::span<const std::string_view> labels();

  // Pass numbers to run, in order, when listing the device for a category.
  static std::span<const int> listingPasses(int index);
  static ListingPassEntry ListingPass(int pass);

  // "3.电子图书": categoryNumber, a full stop, the label.
  static std::string typeText(int index);
  // The category a row's type text stands for: its leading number less one.
  // Only the one-digit numbers 1..9 name a category of the table; an empty
  // text, one that does not start with such a digit, or one whose number
  // runs to two digits or more answers kNoCategory. The label part is not
  // checked: the device list shows the type combo's wording there.
  static int categoryFromTypeText(std::string_view text);

  // The category a user names on a command line: its number 1..9, or its
  // label with blanks (ASCII or ideographic) and ASCII case ignored, since
  // "数码MP3", "数 码MP3" and "数码mp3" all mean the first one.
  // kNoCategory when it names none.
  static int categoryFromName(std::string_view name);

  // Where a file of this category goes on the device. The encyclopedia file
  // (its name compared without regard to ASCII case) goes to its fixed path.
  // "" for an index outside the table.
  static std::string devicePath(char driveLetter, int index, std::string_view fileName);

  // The ten folders to create before a download, in creation order: the
  // system folder, then each category's folder from index 0 to 8.
  static std::vector<std::string> allDeviceFolders(char driveLetter);
};

}  // namespace dockline::download
