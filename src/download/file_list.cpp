#include "download/file_list.h"

#include <algorithm>
#include <numeric>

#include "download/category_table.h"
#include "platform/file_system.h"
#include "text/encoding.h"

namespace dockline::download {

std::string SizeText(std::uint64_t bytes) { return std::to_string(bytes); }

std::string SelectionStatusText(std::uint64_t ticked, std::uint64_t rows, std::uint64_t tickedBytes) {
  return "已选文件：" + std::to_string(ticked) + "/" + std::to_string(rows) + "，共" +
         std::to_string(tickedBytes / 1024) + "(KB)";
}

std::string CutToDrive(std::string_view path) {
  const auto colon = path.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return std::string(path);
  return std::string(path.substr(colon - 1));
}

std::string DialogFolder(std::string_view remembered) {
  std::string folder(remembered);
  if (folder.size() == 2 && folder[1] == ':') folder.push_back('\\');
  return folder;
}

std::string LyricCompanion(int category, std::string_view path) {
  constexpr std::string_view kSong = ".mp3";
  if (!HasLyricFiles(category)) return {};
  // Only the name's own extension counts: a folder called "x.mp3" is no song.
  if (platform::FileNamePart(path).size() <= kSong.size() || !path.ends_with(kSong)) return {};
  return std::string(path.substr(0, path.size() - kSong.size())) + ".lrc";
}

std::vector<std::string> ChosenPaths(std::span<const std::string> parts) {
  std::vector<std::string> paths;
  if (parts.size() == 1) {
    paths.push_back(parts[0]);
    return paths;
  }
  if (parts.empty()) return paths;
  std::string folder = parts[0];
  if (!folder.empty() && folder.back() != '\\') folder.push_back('\\');
  paths.reserve(parts.size() - 1);
  for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
  return paths;
}

RecordKey FileRecords::Add(FileEntry entry) {
  const RecordKey key = next_++;
  records_.emplace(key, std::move(entry));
  return key;
}

const FileEntry* FileRecords::Find(RecordKey key) const {
  const auto it = records_.find(key);
  return it == records_.end() ? nullptr : &it->second;
}

bool FileRecords::Remove(RecordKey key) { return records_.erase(key) != 0; }

std::vector<RecordKey> SortedOrder(std::span<const SortRow> rows, const FileRecords& records, int column,
                                   bool ascending) {
  static const FileEntry kEmpty;
  std::vector<const FileEntry*> entries;
  entries.reserve(rows.size());
  for (const SortRow& row : rows) {
    const FileEntry* e = records.Find(row.key);
    entries.push_back(e ? e : &kEmpty);
  }
  // Names and paths order by their GBK bytes; converting each once up front
  // keeps the comparisons to plain byte compares.
  std::vector<std::string> texts;
  if (column == kNameColumn || column == kPathColumn) {
    texts.reserve(rows.size());
    for (const FileEntry* e : entries) texts.push_back(text::Utf8ToGbk(column == kNameColumn ? e->name : e->path));
  }
  auto less = [&](std::size_t a, std::size_t b) {
    switch (column) {
      case kCheckColumn: return rows[a].checked && !rows[b].checked;
      case kNameColumn:
      case kPathColumn: return texts[a] < texts[b];
      case kTypeColumn: return entries[a]->categoryNumber < entries[b]->categoryNumber;
      case kSizeColumn: return entries[a]->size < entries[b]->size;
      default: return false;
    }
  };
  std::vector<std::size_t> order(rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (ascending) {
    std::stable_sort(order.begin(), order.end(), less);
  } else {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return less(b, a); });
  }
  std::vector<RecordKey> keys;
  keys.reserve(order.size());
  for (std::size_t i : order) keys.push_back(rows[i].key);
  return keys;
}

}  // namespace dockline::download
