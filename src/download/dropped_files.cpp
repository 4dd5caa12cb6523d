#include "download/dropped_files.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <unordered_set>

#include "download/category_selection.h"
#include "download/category_table.h"
#include "download/chosen_file.h"
#include "platform/file_system.h"
#include "text/encoding.h"

namespace dockline::download {
namespace {

constexpr std::size_t kNamesShown = 5;
// Far deeper than any collection of songs and books; a bound all the same,
// for a folder that leads back to itself in a way no link tells of.
constexpr int kDeepestFolder = 32;

struct Found {
  std::string path;
  std::uint64_t size = 0;
};

// The files of a drop, each once however often the drop names it (a folder
// and a file inside it, say), counted as they are found.
class Gathered {
 public:
  explicit Gathered(std::atomic<std::size_t>* count) : count_(count) {}
  void Add(std::string path, std::uint64_t size) {
    if (!keys_.insert(CaseFoldedKey(path)).second) return;
    files_.push_back({std::move(path), size});
    if (count_) count_->store(files_.size(), std::memory_order_relaxed);
  }
  std::vector<Found>& Files() { return files_; }

 private:
  std::vector<Found> files_;
  std::unordered_set<std::string> keys_;
  std::atomic<std::size_t>* count_;
};

// A choice's patterns are all "*.ext".
bool PatternTakes(std::string_view pattern, std::string_view name) {
  return pattern.starts_with("*.") && text::EndsWithIgnoreAsciiCase(name, pattern.substr(1));
}

// A folder's visible files in name order, then its visible subfolders, each
// walked the same way. Links are not followed: they may lead back up.
void Walk(const std::string& folder, int depth, const std::stop_token& stop, Gathered& out) {
  if (depth > kDeepestFolder || stop.stop_requested()) return;
  struct Entry {
    std::string key;  // GBK: the order the device's users expect
    platform::FoundFile file;
  };
  std::vector<Entry> entries;
  for (platform::FoundFile& file : platform::FindFiles(platform::JoinPath(folder, "*"))) {
    // What the file manager does not show (desktop.ini, Thumbs.db), the
    // user did not mean to drop.
    if (!file.hidden) entries.push_back({text::Utf8ToGbk(file.name), std::move(file)});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
  for (const Entry& e : entries)
    if (!e.file.directory) out.Add(platform::JoinPath(folder, e.file.name), e.file.size);
  for (const Entry& e : entries)
    if (e.file.directory && !e.file.link) Walk(platform::JoinPath(folder, e.file.name), depth + 1, stop, out);
}

// The first few names, a line each, and how many when there are more.
std::string NameList(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) text += "\n" + names[i];
  if (names.size() > kNamesShown) text += "\n……共" + std::to_string(names.size()) + "个文件。";
  return text;
}

}  // namespace

bool FilterTakes(int category, std::string_view name) {
  // "description|patterns|description|patterns||": every second part lists
  // a choice's patterns, separated by ';'.
  std::string_view filter = CategoryTable::fileFilter(category);
  for (bool patterns = false; !filter.empty(); patterns = !patterns) {
    const std::size_t bar = filter.find('|');
    std::string_view part = filter.substr(0, bar);
    filter = bar == std::string_view::npos ? std::string_view() : filter.substr(bar + 1);
    while (patterns && !part.empty()) {
      const std::size_t semicolon = part.find(';');
      if (PatternTakes(part.substr(0, semicolon), name)) return true;
      part = semicolon == std::string_view::npos ? std::string_view() : part.substr(semicolon + 1);
    }
  }
  return false;
}

int CategoryForDroppedFile(std::string_view path, int current) {
  const std::string_view name = platform::FileNamePart(path);
  if (current >= 0 && current < kCategoryCount && FilterTakes(current, name)) return current;
  for (int category = 0; category < kCategoryCount; ++category)
    if (FilterTakes(category, name)) return category;
  return kNoCategory;
}

std::vector<std::string> ReadDroppedFiles(const std::vector<std::string>& dropped, int current,
                                          platform::Notifier& notifier,
                                          const std::function<void(std::vector<FileEntry>)>& add,
                                          std::stop_token stop, std::atomic<std::size_t>* found) {
  Gathered gathered(found);
  for (const std::string& path : dropped) {
    if (stop.stop_requested()) return {};
    if (platform::IsDirectory(path)) {
      Walk(path, 0, stop, gathered);
    } else if (const std::optional<std::uint64_t> size = platform::FileSize(path)) {
      gathered.Add(path, *size);
    } else {
      notifier.ShowMessage(MissingFileMessage(path));
    }
  }
  // A drop cut short adds nothing: what a walk stopped half way found is
  // not what the user dropped.
  if (stop.stop_requested()) return {};
  std::vector<Found>& files = gathered.Files();
  // Every song finds its lyric file first: the drop may name that file
  // before the song, and it is then taken only with the song.
  LyricFiles lyrics;
  std::vector<int> categories(files.size());
  std::vector<std::optional<FileEntry>> companions(files.size());
  std::unordered_set<std::string> companionKeys;
  for (std::size_t i = 0; i < files.size() && !stop.stop_requested(); ++i) {
    categories[i] = CategoryForDroppedFile(files[i].path, current);
    companions[i] = lyrics.RowFor(categories[i], files[i].path);
    if (companions[i]) companionKeys.insert(CaseFoldedKey(companions[i]->path));
  }
  RowBatches rows(add);
  std::vector<std::string> refused;
  for (std::size_t i = 0; i < files.size() && !stop.stop_requested(); ++i) {
    if (companionKeys.contains(CaseFoldedKey(files[i].path))) continue;
    if (categories[i] == kNoCategory) {
      refused.emplace_back(platform::FileNamePart(files[i].path));
      continue;
    }
    rows.Add(ChosenFile(categories[i], std::move(files[i].path), files[i].size));
    if (companions[i]) rows.Add(std::move(*companions[i]));
  }
  rows.HandOver();
  return refused;
}

bool IsUnconvertedBook(std::string_view name) {
  for (const std::string_view ending : {".mobi", ".azw", ".azw3", ".pdf", ".doc"})
    if (text::EndsWithIgnoreAsciiCase(name, ending)) return true;
  return false;
}

std::string RefusedFilesMessage(const std::vector<std::string>& names) {
  std::vector<std::string> books, others;
  for (const std::string& name : names) (IsUnconvertedBook(name) ? books : others).push_back(name);
  std::string text;
  if (!others.empty()) text = "以下文件不属于任何一类下载内容，没有添加：" + NameList(others);
  if (!books.empty()) {
    if (!text.empty()) text += "\n\n";
    text += "以下电子书或文档的格式无法转换，没有添加：" + NameList(books) + "\n" + std::string(kSaveBooksAsText);
  }
  return text;
}

}  // namespace dockline::download
