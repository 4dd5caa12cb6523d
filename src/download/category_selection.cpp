#include "download/category_selection.h"

#include <utility>

#include "download/category_table.h"
#include "download/chosen_file.h"
#include "download/file_list.h"
#include "platform/file_system.h"

namespace dockline::download {

std::string MissingFileMessage(std::string_view path) {
  return "请确定文件 " + std::string(path) + " 是否存在。";
}

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
  RowBatches rows(add);
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
      rows.HandOver();
      notifier.ShowMessage(MissingFileMessage(path));
      continue;
    }
    // A song without its lyric file is common: nothing to tell.
    std::optional<FileEntry> lyric = lyrics.RowFor(category, path);
    rows.Add(ChosenFile(category, std::move(path), *size));
    if (lyric) rows.Add(std::move(*lyric));
  }
  rows.HandOver();
  return last;
}

void RememberFolder(DownloadPathStore& settings, int category, std::string_view lastPath) {
  const std::string_view folder = platform::FolderPart(lastPath);
  if (!folder.empty()) settings.WriteValue(kDownPathSection, CategoryTable::label(category), folder);
}

}  // namespace dockline::download
