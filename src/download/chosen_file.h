#pragma once
// What the file dialog and a drop onto the window share: the record of a
// file taken into the PC list, the lyric file that comes along with a song,
// and the batches in which a worker hands the rows over.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "download/file_entry.h"
#include "platform/file_system.h"

namespace dockline::download {

// The ticked record of a file taken for category 0..8.
FileEntry ChosenFile(int category, std::string path, std::uint64_t size);

// A path as a key that ignores ASCII case, as the PC's file systems do.
std::string CaseFoldedKey(std::string_view path);

// The lyric files beside the chosen songs, each folder listed once: a file
// system asked for a name it lacks may read through every name in the
// folder (Wine does, to match the case), and a folder of songs may hold
// thousands of them.
class LyricFiles {
 public:
  // The row of the lyric file that travels with `song` in `category`
  // (LyricCompanion), named as its folder spells it; none when the category
  // takes no lyrics or the folder holds no such file.
  std::optional<FileEntry> RowFor(int category, std::string_view song);

 private:
  std::unordered_map<std::string, std::unordered_map<std::string, platform::FoundFile>> folders_;
};

// Rows handed over in batches big enough that handing over costs little,
// small enough that rows show while a slow folder is still being read.
class RowBatches {
 public:
  static constexpr std::size_t kBatch = 256;
  explicit RowBatches(std::function<void(std::vector<FileEntry>)> add) : add_(std::move(add)) {}
  void Add(FileEntry row) {
    batch_.push_back(std::move(row));
    if (batch_.size() >= kBatch) HandOver();
  }
  void HandOver() {
    if (!batch_.empty()) add_(std::exchange(batch_, {}));
  }

 private:
  std::function<void(std::vector<FileEntry>)> add_;
  std::vector<FileEntry> batch_;
};

}  // namespace dockline::download
