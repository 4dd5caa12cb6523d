#pragma once
// What is on the device: the rows of the device list, found by the listing
// passes of a category, and the deletion of ticked rows in either list.
//
// Plain C++ against a small view; the page wires its list view, its wait
// popup and its message boxes to it.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "download/file_entry.h"
#include "platform/notifier.h"

namespace dockline::download {

// ListDeviceFiles: the files pass `pass` finds on the device at `deviceRoot`
// (see DeviceFilePath), put in front of `rows` in the order the file system
// gives them, so each pass's rows come above those of earlier passes. Names
// beginning with "." and folders are left out. Each record is ticked and
// carries the pass's categoryNumber. Answers whether anything was added.
bool ListDeviceFiles(const std::string& deviceRoot, int pass, std::vector<FileEntry>& rows);

// Every pass of `category` in its order. A device that is gone before a pass
// is told once ("言途6170没有联机!") and ends the listing.
std::vector<FileEntry> ListCategoryFiles(const std::string& deviceRoot, int category,
                                         const std::function<bool()>& devicePresent, platform::Notifier& notifier);

// The file that goes with a device file of categoryNumber 2 or 3 ("book.txt"
// → "book.cfg"); "" for other categories.
std::string CompanionPath(std::string_view path, int categoryNumber);
// The categoryNumber of the device folder holding `path`, or 0 when it is
// in none of them.
int CategoryNumberOfDevicePath(std::string_view path);

// Deletes one device file and its companion. A file whose attributes cannot
// be cleared is taken to be gone already. Answers the description of each
// failed deletion (none: everything went).
std::vector<std::string> DeleteDeviceFile(const std::string& path, int categoryNumber);

class DeletionView {
 public:
  virtual ~DeletionView() = default;
  virtual std::size_t RowCount() const = 0;
  virtual bool IsTicked(std::size_t row) const = 0;
  virtual const FileEntry* Entry(std::size_t row) const = 0;  // nullptr: the row has none
  virtual void RemoveRow(std::size_t row) = 0;
  // "确定从U盘删除选定文件?" with Yes and No; true for Yes.
  virtual bool ConfirmDeviceDeletion() = 0;
  // The wait popup ("正在删除，请稍候") around the work.
  virtual void BeginBusy(std::string_view text) = 0;
  virtual void EndBusy() = 0;
  // A failed deletion's description, in a box owned by the page.
  virtual void ShowDeletionError(std::string_view description) = 0;
};

enum class DeleteOutcome { NoRows, NothingTicked, Declined, Removed };

// The delete command over the device list (`deviceView`, files deleted) or
// the PC list (rows removed only). Every ticked row is removed from the list,
// whether its file could be deleted or not; once the device is gone no
// further file is deleted.
DeleteOutcome DeleteTickedRows(DeletionView& view, bool deviceView, const std::function<bool()>& deviceOnline,
                               platform::Notifier& notifier);

}  // namespace dockline::download
