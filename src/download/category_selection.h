#pragma once
// A click on a download category in the sidebar: the user picks files in
// the file dialog opened in the folder remembered for that category, and
// every chosen file (with the lyric file of a song) becomes a ticked row of
// the page's file list. The folder of the files is remembered again.
//
// The logic runs against a small view so that it is tested without windows;
// the download page is the real view.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_path_store.h"
#include "download/file_entry.h"

namespace dockline::download {

inline constexpr std::string_view kBusyRefusal = "正在下载,请稍等片刻";
// The file dialog's name buffer still overflowed: say so rather than add nothing.
inline constexpr std::string_view kTooManyFiles = "一次选择的文件太多，请分几次选择。";

// "请确定文件 C:\a.mp3 是否存在。"
std::string MissingFileMessage(std::string_view path);

struct FileChoice {
  enum class Outcome { Chosen, Cancelled, TooMany };
  Outcome outcome = Outcome::Cancelled;
  std::vector<std::string> paths;  // full paths, in the dialog's order
};

class CategorySelectionView {
 public:
  virtual ~CategorySelectionView() = default;
  // An application message box; returns when it is closed.
  virtual void ShowMessage(std::string_view utf8) = 0;
  // The page area switches to the download page.
  virtual void ShowPage() = 0;
  // The multi-selection file dialog with the category's filter, opened in
  // `initialFolder` ("" leaves the choice to the dialog).
  virtual FileChoice ChooseFiles(int category, const std::string& initialFolder) = 0;
  // Around the rows being added: the wait popup and suspended list drawing.
  virtual void BeginAdding() = 0;
  virtual void EndAdding() = 0;
  // Appends a ticked row that owns `entry`.
  virtual void AddRow(FileEntry entry) = 0;
  // After every selection that was not refused: the status line and the
  // file list shown.
  virtual void Refresh() = 0;
};

// How a chosen file's size is learnt; nothing when it cannot be read.
using FileSizeSource = std::function<std::optional<std::uint64_t>(const std::string& path)>;

// Runs the selection of category 0..8. Answers false when it was refused
// because a download runs (the page is left as it is).
bool SelectCategory(int category, bool downloadRunning, DownloadPathStore& settings, CategorySelectionView& view,
                    const FileSizeSource& fileSize);

}  // namespace dockline::download
