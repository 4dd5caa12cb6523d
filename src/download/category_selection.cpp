#include "download/category_selection.h"

#include <utility>

#include "download/category_table.h"
#include "download/file_list.h"
#include "platform/file_system.h"

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

std::string ReadChosenFiles(int category, const std::vector<std::string>& chosen, const FileSizeSource& fileSize,
                            platform::Notifier& notifier, const std::function<void(std::vector<FileEntry>)>& add,
                            std::stop_token stop) {
  // Big enough that handing over costs little, small enough that rows show
  // while a slow folder is still being read.
  constexpr std::size_t kBatch = 256;
  std::vector<FileEntry> batch;
  auto handOver = [&] {
    if (!batch.empty()) add(std::exchange(batch, {}));
  };
  std::string last;
  for (const std::string& returned : chosen) {
    if (stop.stop_requested()) break;
    std::string path = CutToDrive(returned);
    last = path;
    const std::optional<std::uint64_t> size = fileSize(path);
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
    if (!lyric.empty())
      if (const std::optional<std::uint64_t> lyricSize = fileSize(lyric)) batch.push_back(Entry(category, lyric, *lyricSize));
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
