#include "download/chosen_file.h"

#include <algorithm>

#include "download/file_list.h"
#include "text/encoding.h"

namespace dockline::download {

FileEntry ChosenFile(int category, std::string path, std::uint64_t size) {
  FileEntry e;
  e.marked = true;
  e.size = size;
  e.name = std::string(platform::FileNamePart(path));
  e.categoryNumber = category + 1;
  e.path = std::move(path);
  return e;
}

std::string CaseFoldedKey(std::string_view path) {
  std::string key(path);
  std::transform(key.begin(), key.end(), key.begin(), text::AsciiLower);
  return key;
}

std::optional<FileEntry> LyricFiles::RowFor(int category, std::string_view song) {
  const std::string lyric = LyricCompanion(category, song);
  if (lyric.empty()) return std::nullopt;
  const std::string folder(platform::FolderPart(lyric));
  auto [listed, fresh] = folders_.try_emplace(folder);
  if (fresh) {
    for (auto& file : platform::FindFiles(platform::JoinPath(folder, "*.lrc")))
      if (!file.directory) listed->second.emplace(CaseFoldedKey(file.name), std::move(file));
  }
  const auto found = listed->second.find(CaseFoldedKey(platform::FileNamePart(lyric)));
  if (found == listed->second.end()) return std::nullopt;
  return ChosenFile(category, platform::JoinPath(folder, found->second.name), found->second.size);
}

}  // namespace dockline::download
