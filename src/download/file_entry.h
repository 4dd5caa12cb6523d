#pragma once
// The record behind one row of the download page's lists: the file a row
// stands for. Rows show these fields as text; sorting and the download read
// the record, never the texts, so a size of 2 GiB or more stays exact.

#include <cstdint>
#include <string>

namespace dockline::download {

struct FileEntry {
  bool marked = false;          // set once the record is filled
  std::uint64_t size = 0;       // bytes
  std::string name;             // file name without folder, UTF-8
  std::int32_t categoryNumber = 0;  // category index + 1
  std::string path;             // full path, UTF-8
  std::int64_t writeTime = 0;   // last write (platform::FileTime), where a listing of the device gave it
};

}  // namespace dockline::download
