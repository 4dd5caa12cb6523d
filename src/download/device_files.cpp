#include "download/device_files.h"

#include <algorithm>

#include "download/category_table.h"
#include "download/download_run.h"
#include "platform/file_system.h"

namespace dockline::download {
namespace {

std::string WithBackslashes(std::string_view path) {
  std::string s(path);
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

}  // namespace

bool ListDeviceFiles(const std::string& deviceRoot, int pass, std::vector<FileEntry>& rows) {
  const ListingPassEntry entry = CategoryTable::ListingPass(pass);
  if (entry.category == kNoCategory) return false;
  std::string tablePath(1, 'A');  // the table's folders follow a drive letter
  tablePath.append(entry.folder);
  const std::string folder = DeviceFilePath(deviceRoot, tablePath);
  std::vector<FileEntry> found;
  for (const auto& file : platform::FindFiles(folder + std::string(entry.wildcard))) {
    if (file.directory || file.name.empty() || file.name.front() == '.') continue;
    FileEntry record;
    record.marked = true;
    record.size = file.size;
    record.name = file.name;
    record.categoryNumber = entry.category + 1;
    record.path = folder + file.name;
    found.push_back(std::move(record));
  }
  rows.insert(rows.begin(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
  return !found.empty();
}

std::vector<FileEntry> ListCategoryFiles(const std::string& deviceRoot, int category,
                                         const std::function<bool()>& devicePresent, platform::Notifier& notifier) {
  std::vector<FileEntry> rows;
  for (const int pass : CategoryTable::listingPasses(category)) {
    if (devicePresent && !devicePresent()) {
      notifier.ShowMessage(kNotOnlineText);
      break;
    }
    ListDeviceFiles(deviceRoot, pass, rows);
  }
  return rows;
}

std::string CompanionPath(std::string_view path, int categoryNumber) {
  if ((categoryNumber != 2 && categoryNumber != 3) || path.size() < 3) return {};
  return std::string(path.substr(0, path.size() - 3)) + "cfg";
}

int CategoryNumberOfDevicePath(std::string_view path) {
  const std::string folder = WithBackslashes(platform::FolderPart(path)) + "\\";
  for (int k = 0; k < kCategoryCount; ++k) {
    const std::string_view own = CategoryTable::deviceFolder(k).substr(1);  // "\系统\电子图书\"
    if (folder.size() >= own.size() && folder.compare(folder.size() - own.size(), own.size(), own) == 0) return k + 1;
  }
  return 0;
}

std::vector<std::string> DeleteDeviceFile(const std::string& path, int categoryNumber) {
  std::vector<std::string> failures;
  for (const std::string& file : {path, CompanionPath(path, categoryNumber)}) {
    if (file.empty() || !platform::ClearAttributes(file)) continue;
    if (!platform::RemoveFile(file)) failures.push_back(file + "：" + platform::ErrorText(platform::LastError()));
  }
  return failures;
}

DeleteOutcome DeleteTickedRows(DeletionView& view, bool deviceView, const std::function<bool()>& deviceOnline,
                               platform::Notifier& notifier) {
  const std::size_t count = view.RowCount();
  if (count == 0) return DeleteOutcome::NoRows;
  bool anyTicked = false;
  for (std::size_t i = 0; i < count && !anyTicked; ++i) anyTicked = view.IsTicked(i);
  if (!anyTicked) {
    notifier.ShowMessage("尚未选择要删除的文件。");
    return DeleteOutcome::NothingTicked;
  }
  if (deviceView && !view.ConfirmDeviceDeletion()) return DeleteOutcome::Declined;
  view.BeginBusy("正在删除，请稍候");
  if (deviceView) {
    for (std::size_t i = count; i-- > 0;) {
      const FileEntry* entry = view.Entry(i);
      if (!view.IsTicked(i) || !entry) continue;
      if (deviceOnline && !deviceOnline()) break;
      for (const auto& failure : DeleteDeviceFile(entry->path, entry->categoryNumber)) view.ShowDeletionError(failure);
    }
  }
  for (std::size_t i = count; i-- > 0;)
    if (view.IsTicked(i)) view.RemoveRow(i);
  view.EndBusy();
  return DeleteOutcome::Removed;
}

}  // namespace dockline::download
