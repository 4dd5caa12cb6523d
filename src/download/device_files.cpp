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
    record.writeTime = file.writeTime;
    found.push_back(std::move(record));
  }
  rows.insert(rows.begin(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
  return !found.empty();
}

std::vector<FileEntry> ListCategoryFiles(const std::string& deviceRoot, int category,
                                         const std::function<bool()>& devicePresent, platform::Notifier& notifier,
                                         std::stop_token stop) {
  std::vector<FileEntry> rows;
  for (const int pass : CategoryTable::listingPasses(category)) {
    if (stop.stop_requested()) break;
    if (devicePresent && !devicePresent()) {
      notifier.ShowMessage(kNotOnlineText);
      break;
    }
    ListDeviceFiles(deviceRoot, pass, rows);
  }
  return rows;
}

std::string CompanionPath(std::string_view path, int categoryNumber) {
  if (!HasCompanionFiles(categoryNumber - 1) || path.size() < 3) return {};
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

DeviceFileDeletion DeleteDeviceFile(const std::string& path, int categoryNumber) {
  DeviceFileDeletion result;
  // Answers whether `file` is gone afterwards.
  auto remove = [&](const std::string& file) {
    // Cleared so that a read-only file can go. Where that fails for another
    // reason than absence the deletion is still tried: it may be allowed
    // (another user's file in a folder of ours), and if not, its own failure
    // (a write-protected medium, a file in use) is the one to name.
    if (!platform::ClearAttributes(file) && platform::IsNotFound(platform::LastError())) return true;
    if (platform::RemoveFile(file)) return true;
    const std::uint32_t code = platform::LastError();
    if (platform::IsNotFound(code)) return true;
    result.failures.push_back(file + "：" + platform::ErrorText(code));
    return false;
  };
  result.gone = remove(path);
  if (const std::string companion = CompanionPath(path, categoryNumber); !companion.empty()) remove(companion);
  return result;
}

DeletionPlan PlanDeletion(const std::vector<bool>& ticked, bool deviceView, const std::function<bool()>& confirm,
                          platform::Notifier& notifier) {
  DeletionPlan plan;
  if (ticked.empty()) return plan;
  for (std::size_t i = ticked.size(); i-- > 0;)
    if (ticked[i]) plan.rows.push_back(i);
  if (plan.rows.empty()) {
    notifier.ShowMessage("尚未选择要删除的文件。");
    plan.outcome = DeleteOutcome::NothingTicked;
    return plan;
  }
  if (deviceView && !(confirm && confirm())) {
    plan.rows.clear();
    plan.outcome = DeleteOutcome::Declined;
    return plan;
  }
  plan.outcome = DeleteOutcome::Go;
  return plan;
}

void DeleteDeviceFiles(std::span<const DeviceFile> files, const std::function<bool()>& devicePresent,
                       std::stop_token stop, const std::function<void(std::size_t)>& gone,
                       const std::function<void(const std::string&)>& failed) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (stop.stop_requested() || (devicePresent && !devicePresent())) return;
    const DeviceFileDeletion result = DeleteDeviceFile(files[i].path, files[i].categoryNumber);
    for (const auto& failure : result.failures) failed(failure);
    if (result.gone) gone(i);
  }
}

}  // namespace dockline::download
