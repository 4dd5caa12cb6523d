#pragma once
// What the download page's two file lists show and how they order, kept
// apart from the list views so that it runs and is tested anywhere.
//
// Every row of a list owns exactly one FileEntry. The page keeps the records
// in a FileRecords store and gives each row the record's key as its item
// data; deleting a row removes its record, clearing a list clears the store.
// The rows show the record's fields as text, but sorting and the status line
// read the records, so sizes of 4 GiB and more stay exact.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "download/file_entry.h"

namespace dockline::download {

// The five columns both lists share.
enum FileColumn : int { kCheckColumn = 0, kNameColumn, kTypeColumn, kSizeColumn, kPathColumn, kFileColumnCount };

// A row's size column: the byte count in plain decimal, no unit.
std::string SizeText(std::uint64_t bytes);

// The selection status line: "已选文件：n/N，共K(KB)", K the ticked bytes / 1024.
std::string SelectionStatusText(std::uint64_t ticked, std::uint64_t rows, std::uint64_t tickedBytes);

// Accumulates the status line in one pass over the rows.
struct SelectionSummary {
  std::uint64_t rows = 0;
  std::uint64_t ticked = 0;
  std::uint64_t tickedBytes = 0;
  void Add(bool checked, std::uint64_t size) {
    ++rows;
    if (checked) {
      ++ticked;
      tickedBytes += size;
    }
  }
  std::string Text() const { return SelectionStatusText(ticked, rows, tickedBytes); }
};

// A path as the file dialog returned it, cut to begin with its drive letter
// (one character before its last ':'); a path without ':' stays whole.
std::string CutToDrive(std::string_view path);
// A remembered folder as the file dialog needs it: a bare drive ("C:")
// would mean that drive's current folder, so it gets its backslash.
std::string DialogFolder(std::string_view remembered);

// The lyric file that travels with a chosen song of the music and
// repeat-reading categories (0 and 1): the same path with ".lrc" in place
// of a final ".mp3" (compared case-sensitively, as the device names them).
// "" when the category or the name takes none.
std::string LyricCompanion(int category, std::string_view path);

// The full paths of a multi-selection file dialog's answer, given as the
// texts between its NULs: one text is a single full path; otherwise the
// first is the folder and each following one a name inside it.
std::vector<std::string> ChosenPaths(std::span<const std::string> parts);

// The key a row holds as its item data. 0 is never given out.
using RecordKey = std::uint32_t;

// The records of one list, owned here for as long as their rows exist.
class FileRecords {
 public:
  RecordKey Add(FileEntry entry);
  // Null for a key that is not (or no longer) held.
  const FileEntry* Find(RecordKey key) const;
  bool Remove(RecordKey key);
  void Clear() { records_.clear(); }
  std::size_t Count() const { return records_.size(); }

 private:
  std::unordered_map<RecordKey, FileEntry> records_;
  RecordKey next_ = 1;
};

// A list's sort state: clicking the same column flips the direction,
// another column sorts it ascending.
struct SortState {
  static constexpr int kNone = -1;
  int column = kNone;
  bool ascending = true;
  void Click(int clicked) {
    if (clicked == column) {
      ascending = !ascending;
    } else {
      column = clicked;
      ascending = true;
    }
  }
};

// A row as sorting sees it: its record and its tick.
struct SortRow {
  RecordKey key = 0;
  bool checked = false;
};

// The keys of `rows` in the order of `column`'s key: ticked rows first
// (column 0), names and paths by their GBK bytes, category number, size.
// Descending reverses the key order; rows with equal keys keep their
// present order either way. A row whose record is missing sorts as empty.
std::vector<RecordKey> SortedOrder(std::span<const SortRow> rows, const FileRecords& records, int column,
                                   bool ascending);

}  // namespace dockline::download
