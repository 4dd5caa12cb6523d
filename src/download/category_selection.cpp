#include "download/category_selection.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <utility>

#include "download/category_table.h"
#include "download/file_list.h"
#include "platform/file_system.h"
#include "text/encoding.h"

namespace dockline::download {

std::string MissingFileMessage(std::string_view path) {
  return "请确定文件 " + std::string(path) + " 是否存在。";
}

namespace {

FileEntry Entry(int category, std::string path, std::uint64_t size) {
  FileEntry e;
  e.marked = true;
  e.size = size;
  e.name = std::string(platform::FileNamePart(path));
  e.categoryNumber = category + 1;
  e.path = std::move(path);
  return e;
}

// The lyric files beside the chosen songs, each folder listed once: a file
// system asked for a name it lacks may read through every name in the
// folder (Wine does, to match the case), and a folder of songs may hold
// thousands of them.
class LyricFiles {
 public:
  // The lyric file `path` names, as its folder spells it, and its size.
  std::optional<platform::FoundFile> Find(std::string_view path) {
    const std::string folder(platform::FolderPart(path));
    auto [listed, fresh] = folders_.try_emplace(folder);
    if (fresh) {
      for (auto& file : platform::FindFiles(platform::JoinPath(folder, "*.lrc")))
        if (!file.directory) listed->second.emplace(Key(file.name), std::move(file));
    }
    const auto found = listed->second.find(Key(platform::FileNamePart(path)));
    if (found == listed->second.end()) return std::nullopt;
    return found->second;
  }

 private:
  static std::string Key(std::string_view name) {
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), text::AsciiLower);
    return key;
  }
  std::unordered_map<std::string, std::unordered_map<std::string, platform::FoundFile>> folders_;
};

}  // namespace

bool SelectCategory(int category, std::string_view refusal, DownloadPathStore& settings, CategorySelectionView& view) {
  if (!refusal.empty()) {
    view.ShowMessage(refusal);
    return false;
  }
  view.ShowPage();
  const FileChoice choice =
      view.ChooseFiles(category, DialogFolder(settings.ReadValue(kDownPathSection, CategoryTable::label(category))));
  if (choice.outcome == FileChoice::Outcome::TooMany) view.ShowMessage(kTooManyFiles);
  if (choice.outcome == FileChoice::Outcome::Chosen && !choice.paths.empty()) {
    view.AddFiles(category, choice.paths);
  } else {
    view.Refresh();
  }
  return true;
}

std::string ReadChosenFiles(int category, const std::vector<std::string>& chosen, platform::Notifier& notifier,
                            const std::function<void(std::vector<FileEntry>)>& add, std::stop_token stop) {
  // Big enough that handing over costs little, small enough that rows show
  // while a slow folder is still being read.
  constexpr std::size_t kBatch = 256;
  std::vector<FileEntry> batch;
  auto handOver = [&] {
    if (!batch.empty()) add(std::exchange(batch, {}));
  };
  LyricFiles lyrics;
  std::string last;
  for (const std::string& returned : chosen) {
    if (stop.stop_requested()) break;
    std::string path = CutToDrive(returned);
    last = path;
    const std::optional<std::uint64_t> size = platform::FileSize(path);
    if (!size) {
      // Gone or unreadable since it was chosen: the others are still added,
      // and the rows found so far show before the box.
      handOver();
      notifier.ShowMessage(MissingFileMessage(path));
      continue;
    }
    const std::string lyric = LyricCompanion(category, path);
    batch.push_back(Entry(category, std::move(path), *size));
    // A song without its lyric file is common: nothing to tell.
    if (!lyric.empty()) {
      if (const auto found = lyrics.Find(lyric))
        batch.push_back(Entry(category, platform::JoinPath(platform::FolderPart(lyric), found->name), found->size));
    }
    if (batch.size() >= kBatch) handOver();
  }
  handOver();
  return last;
}

void RememberFolder(DownloadPathStore& settings, int category, std::string_view lastPath) {
  const std::string_view folder = platform::FolderPart(lastPath);
  if (!folder.empty()) settings.WriteValue(kDownPathSection, CategoryTable::label(category), folder);
}

}  // namespace dockline::download
