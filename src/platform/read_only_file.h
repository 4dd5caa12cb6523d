#pragma once
// A file opened for reading at any offset, without taking it whole: what a
// decoder reads a header, a marker or a row from, so that a file of any size
// costs no more memory than the pieces asked for. Others may read the file
// meanwhile; nobody may write to it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace dockline::platform {

class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // 0 or the system's error code; a folder is refused.
  std::uint32_t Open(const std::string& path);
  bool IsOpen() const { return value_ != kNone; }
  std::uint64_t Size() const { return size_; }
  // Up to `size` bytes from `offset`; `got` is less only at the end of the
  // file. 0 or the system's error code.
  std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const;
  void Close();

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t value_ = kNone;
  std::uint64_t size_ = 0;
};

}  // namespace dockline::platform
