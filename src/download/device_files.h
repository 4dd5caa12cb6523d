#pragma once
// What is on the device: the rows of the device list, found by the listing
// passes of a category, and the deletion of ticked rows in either list.
//
// Plain C++, split where the work changes threads: the listing and the
// deletion of files run on a worker, deciding what to delete and removing
// the rows run on the UI thread, which wires its list, its wait popup and its
// message boxes to them.

#include <cstddef>
#include <functional>
#include <span>
#include <stop_token>
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
// is told once ("言途6170没有联机!") and ends the listing, as a stop does.
std::vector<FileEntry> ListCategoryFiles(const std::string& deviceRoot, int category,
                                         const std::function<bool()>& devicePresent, platform::Notifier& notifier,
                                         std::stop_token stop = {});

// The file that goes with a device file of categoryNumber 2 or 3 ("book.txt"
// → "book.cfg"); "" for other categories.
std::string CompanionPath(std::string_view path, int categoryNumber);
// The categoryNumber of the device folder holding `path`, or 0 when it is
// in none of them.
int CategoryNumberOfDevicePath(std::string_view path);

struct DeviceFileDeletion {
  bool gone = false;                  // the file is not on the device any more
  std::vector<std::string> failures;  // a description of each failed deletion
};
// Deletes one device file and its companion. Only a file that is not there
// counts as gone without being deleted; any other failure is described.
DeviceFileDeletion DeleteDeviceFile(const std::string& path, int categoryNumber);

enum class DeleteOutcome { NoRows, NothingTicked, Declined, Go };

// What 删除 is to do, settled on the UI thread before anything goes.
struct DeletionPlan {
  DeleteOutcome outcome = DeleteOutcome::NoRows;
  std::vector<std::size_t> rows;  // the ticked rows, last first
};

// The delete command over the device list (`deviceView`: the files go too,
// once `confirm` says yes) or the PC list (rows only, no question), from the
// rows' ticks. Nothing ticked is told to `notifier`.
DeletionPlan PlanDeletion(const std::vector<bool>& ticked, bool deviceView, const std::function<bool()>& confirm,
                          platform::Notifier& notifier);

struct DeviceFile {
  std::string path;
  int categoryNumber = 0;
};

// Deletes `files` in order, each with its companion, and calls `gone` with
// the index of each one that is no longer on the device afterwards (its row
// goes). A failed deletion is described to `failed` and its file keeps its
// row. Once the device has gone or a stop is asked, no further file is
// deleted and the rest keep their rows.
void DeleteDeviceFiles(std::span<const DeviceFile> files, const std::function<bool()>& devicePresent,
                       std::stop_token stop, const std::function<void(std::size_t)>& gone,
                       const std::function<void(const std::string&)>& failed);

}  // namespace dockline::download
