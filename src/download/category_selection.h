#pragma once
// A click on a download category in the sidebar: the user picks files in
// the file dialog opened in the folder remembered for that category, and
// every chosen file (with the lyric file of a song) becomes a ticked row of
// the page's file list. The folder of the files is remembered again.
//
// Three steps, because the middle one may take long (thousands of files on
// a slow or network folder): SelectCategory on the UI thread up to the file
// dialog; ReadChosenFiles on a worker, which learns the sizes and finds the
// lyric files; RememberFolder back on the UI thread. The logic runs against
// a small view so that it is tested without windows; the download page's
// controller is the real view.

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_path_store.h"
#include "download/file_entry.h"
#include "platform/notifier.h"

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
  // Takes the chosen files in (ReadChosenFiles, then RememberFolder and the
  // refresh); returns at once, the files coming in afterwards.
  virtual void AddFiles(int category, std::vector<std::string> paths) = 0;
  // After a selection that was not refused and took no files: the status
  // line and the file list shown.
  virtual void Refresh() = 0;
};

// Runs the selection of category 0..8 up to the chosen files, which go to
// the view's AddFiles. Refused with `refusal` when that is not empty (a
// download or other work of the page is under way): answers false and
// leaves the page as it is.
bool SelectCategory(int category, std::string_view refusal, DownloadPathStore& settings, CategorySelectionView& view);

// The rows of the chosen files, in order, each song followed by its lyric
// file (as its folder spells the name); handed to `add` in batches as they
// are found. A file that cannot be found is told to `notifier` ("请确定文件 …
// 是否存在。") and the others are still added. A stop ends it early.
// Answers the path of the last file handled, found or not.
std::string ReadChosenFiles(int category, const std::vector<std::string>& chosen, platform::Notifier& notifier,
                            const std::function<void(std::vector<FileEntry>)>& add, std::stop_token stop = {});

// The folder of the last file handled becomes the category's remembered one.
void RememberFolder(DownloadPathStore& settings, int category, std::string_view lastPath);

}  // namespace dockline::download
