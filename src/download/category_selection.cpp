#include "download/category_selection.h"

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

// The rows of the chosen files; answers the path of the last one handled.
std::string AddChosenFiles(int category, const std::vector<std::string>& chosen, CategorySelectionView& view,
                           const FileSizeSource& fileSize) {
  std::string last;
  for (const std::string& returned : chosen) {
    std::string path = CutToDrive(returned);
    last = path;
    const std::optional<std::uint64_t> size = fileSize(path);
    if (!size) {
      // Gone or unreadable since it was chosen: the others are still added.
      view.ShowMessage(MissingFileMessage(path));
      continue;
    }
    const std::string lyric = LyricCompanion(category, path);
    view.AddRow(Entry(category, std::move(path), *size));
    if (lyric.empty()) continue;
    // A song without its lyric file is common: nothing to tell.
    if (const std::optional<std::uint64_t> lyricSize = fileSize(lyric)) view.AddRow(Entry(category, lyric, *lyricSize));
  }
  return last;
}

}  // namespace

bool SelectCategory(int category, bool downloadRunning, DownloadPathStore& settings, CategorySelectionView& view,
                    const FileSizeSource& fileSize) {
  if (downloadRunning) {
    view.ShowMessage(kBusyRefusal);
    return false;
  }
  view.ShowPage();
  const std::string_view key = CategoryTable::label(category);
  const FileChoice choice = view.ChooseFiles(category, DialogFolder(settings.ReadValue(kDownPathSection, key)));
  if (choice.outcome == FileChoice::Outcome::TooMany) view.ShowMessage(kTooManyFiles);
  if (choice.outcome == FileChoice::Outcome::Chosen && !choice.paths.empty()) {
    view.BeginAdding();
    const std::string last = AddChosenFiles(category, choice.paths, view, fileSize);
    view.EndAdding();
    const std::string_view folder = platform::FolderPart(last);
    if (!folder.empty()) settings.WriteValue(kDownPathSection, key, folder);
  }
  view.Refresh();
  return true;
}

}  // namespace dockline::download
