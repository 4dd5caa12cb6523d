#include "download/category_table.h"

#include <array>

#include "text/encoding.h"

namespace dockline::download {
namespace {

struct Category {
  std::string_view label;
  std::string_view filter;
  std::string_view folder;
};

// The labels double as dict.ini keys and as the device's own names, so they
// are kept exactly, the blank inside the first one included.
constexpr std::array<Category, kCategoryCount> kCategories{{
    {"数 码MP3", "数 码MP3(*.mp3,*.blm,*.wma,*.wav,*.mid)|*.mp3;*.blm;*.wma;*.wav;*.mid||", ":\\mp3\\"},
    {"可视复读", "可视复读(*.mp3,*.blm)|*.mp3;*.blm||", ":\\系统\\可视复读\\"},
    // Every kind of book first; then the three choices the dialog has always
    // offered; then EPUB and Word alone, for a folder full of other things.
    {"电子图书",
     "全部电子图书(*.txt,*.htm,*.html,*.epub,*.docx)|*.txt;*.htm;*.html;*.epub;*.docx|"
     "电子图书(*.txt,*.htm,*.html)|*.txt;*.htm;*.html|*.txt|*.txt|*.htm,*.html|*.htm;*.html|"
     "EPUB电子书(*.epub)|*.epub|Word文档(*.docx)|*.docx||",
     ":\\系统\\电子图书\\"},
    {"下载词典", "下载词典(*.edt)|*.edt||", ":\\系统\\下载词典\\"},
    {"背诵词库", "背诵词库(*.rct)|*.rct||", ":\\系统\\背诵词库\\"},
    {"听力测试", "听力测试(*.sim)|*.sim||", ":\\系统\\听力测试\\"},
    {"黄冈宝典", "黄冈宝典(*.sub,*.poi)|*.poi;*.sub||", ":\\系统\\黄冈宝典\\"},
    {"学习数据", "学习数据(*.abc)|*.abc||", ":\\系统\\学习数据\\"},
    // Every picture the program converts first; bitmaps alone second.
    {"下载图片",
     "下载图片(*.jpg,*.jpeg,*.png,*.gif,*.bmp,*.tif,*.tiff)|*.jpg;*.jpeg;*.jpe;*.png;*.gif;*.bmp;*.tif;*.tiff|"
     "*.bmp|*.bmp||",
     ":\\系统\\图片\\"},
}};

constexpr std::array<std::string_view, kCategoryCount> kLabels{
    kCategories[0].label, kCategories[1].label, kCategories[2].label,
    kCategories[3].label, kCategories[4].label, kCategories[5].label,
    kCategories[6].label, kCategories[7].label, kCategories[8].label};

struct Pass {
  int folderOf;  // the category whose device folder is searched
  std::string_view wildcard;
  int category;
};

// Passes 0..8 are each category's main type; 9..14 the extra types of the
// categories whose device folder holds more than one kind of file. The
// e-book folder lists only text (web pages and EPUB or Word books arrive
// converted) and the picture folder only the device's own picture files.
constexpr std::array<Pass, kListingPassCount> kPasses{{
    {0, "*.mp3", 0}, {1, "*.mp3", 1}, {2, "*.txt", 2}, {3, "*.edt", 3}, {4, "*.rct", 4},
    {5, "*.sim", 5}, {6, "*.poi", 6}, {7, "*.abc", 7}, {8, "*.ych", 8}, {6, "*.sub", 6},
    {1, "*.blm", 1}, {0, "*.blm", 0}, {0, "*.wma", 0}, {0, "*.wav", 0}, {0, "*.mid", 0},
}};

constexpr std::array<int, 5> kMusicPasses{0, 11, 12, 13, 14};
constexpr std::array<int, 2> kRepeatPasses{1, 10};
constexpr std::array<int, 2> kGuidePasses{6, 9};
constexpr std::array<int, kCategoryCount> kOwnPass{0, 1, 2, 3, 4, 5, 6, 7, 8};

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string_view CategoryTable::label(int index) { return IsCategory(index) ? kCategories[index].label : ""; }

std::string_view CategoryTable::fileFilter(int index) {
  return IsCategory(index) ? kCategories[index].filter : "";
}

std::string_view CategoryTable::deviceFolder(int index) {
  return IsCategory(index) ? kCategories[index].folder : "";
}

std::span<const std::string_view> CategoryTable::labels() { return kLabels; }

std::span<const int> CategoryTable::listingPasses(int index) {
  switch (index) {
    case kMusicCategory: return kMusicPasses;
    case kRepeatReadingCategory: return kRepeatPasses;
    case kExamGuideCategory: return kGuidePasses;
    default:
      if (!IsCategory(index)) return {};
      return std::span<const int>(&kOwnPass[index], 1);
  }
}

ListingPassEntry CategoryTable::ListingPass(int pass) {
  if (pass < 0 || pass >= kListingPassCount) return {};
  const Pass& p = kPasses[pass];
  return {kCategories[p.folderOf].folder, p.wildcard, p.category};
}

std::string CategoryTable::typeText(int index) {
  if (!IsCategory(index)) return {};
  std::string out = std::to_string(index + 1);
  out.push_back('.');
  out.append(kCategories[index].label);
  return out;
}

int CategoryTable::categoryFromTypeText(std::string_view text) {
  // Rows are always written with a one-digit number; a second digit would
  // mean a category beyond the table.
  if (text.empty() || text[0] < '1' || text[0] > '9') return kNoCategory;
  if (text.size() > 1 && IsDigit(text[1])) return kNoCategory;
  return text[0] - '1';
}

namespace {

// The label as it is compared: no blanks, ASCII letters in lower case.
std::string NameKey(std::string_view name) {
  constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  std::string key;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == ' ' || name[i] == '\t') continue;
    if (name.substr(i, kIdeographicSpace.size()) == kIdeographicSpace) {
      i += kIdeographicSpace.size() - 1;
      continue;
    }
    key += name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
  }
  return key;
}

}  // namespace

int CategoryTable::categoryFromName(std::string_view name) {
  const std::string key = NameKey(name);
  if (key.size() == 1 && key[0] >= '1' && key[0] <= '9') return key[0] - '1';
  for (int i = 0; i < kCategoryCount; ++i)
    if (!key.empty() && NameKey(label(i)) == key) return i;
  return kNoCategory;
}

std::string CategoryTable::devicePath(char driveLetter, int index, std::string_view fileName) {
  if (!IsCategory(index)) return {};
  std::string out(1, driveLetter);
  if (text::EqualsIgnoreAsciiCase(fileName, kEncyclopediaName)) {
    out.append(kEncyclopediaPath);
    return out;
  }
  out.append(kCategories[index].folder);
  out.append(fileName);
  return out;
}

std::vector<std::string> CategoryTable::allDeviceFolders(char driveLetter) {
  std::vector<std::string> out;
  out.reserve(kCategoryCount + 1);
  out.push_back(std::string(1, driveLetter).append(kSystemFolder));
  for (const Category& c : kCategories) out.push_back(std::string(1, driveLetter).append(c.folder));
  return out;
}

}  // namespace dockline::download
