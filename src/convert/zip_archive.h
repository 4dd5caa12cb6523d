#pragma once
// A ZIP archive read in place: its central directory once, then any entry
// streamed in bounded pieces, inflated by zlib, its size and CRC-32 checked
// at the end. Nothing is ever extracted to disk and no entry is ever held
// whole, so an archive of any size costs the directory and a few buffers.
//
// Taken: the end record (after a comment of any length), ZIP64's locator,
// end record and extra fields, stored and deflated entries, entries written
// with a data descriptor (their sizes come from the directory), local
// headers whose name and extra lengths differ from the directory's.
// Refused: archives on several disks, other compression methods, entries
// encrypted by the ZIP itself, and directories past kMaxZipEntries or
// kMaxCentralDirectory.

#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/book_failure.h"

namespace dockline::platform {
class ReadOnlyFile;
}

namespace dockline::convert {

inline constexpr std::size_t kMaxZipEntries = 100000;
inline constexpr std::uint64_t kMaxCentralDirectory = 16u << 20;
// A deflated entry can grow about a thousand times; text grows five or ten.
// Past kBombFloor of output, more than kBombRatio times the entry's packed
// size is taken for a bomb and refused.
inline constexpr std::uint64_t kBombRatio = 200;
inline constexpr std::uint64_t kBombFloor = 4u << 20;

// Where the archive's bytes come from.
class ZipInput {
 public:
  virtual ~ZipInput() = default;
  virtual std::uint64_t Size() const = 0;
  // Exactly `size` bytes from `offset`: a short read is a truncated
  // archive (Damaged), a system error ReadFailed.
  virtual void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;
};

class FileZipInput : public ZipInput {
 public:
  explicit FileZipInput(const platform::ReadOnlyFile& file) : file_(file) {}
  std::uint64_t Size() const override;
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

 private:
  const platform::ReadOnlyFile& file_;
};

class MemoryZipInput : public ZipInput {
 public:
  explicit MemoryZipInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

struct ZipEntry {
  std::string_view name;  // points into the archive's copy of its directory
  std::uint64_t packedSize = 0;
  std::uint64_t size = 0;
  std::uint64_t localHeader = 0;
  std::uint32_t crc = 0;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  bool Encrypted() const { return (flags & 0x41) != 0; }  // traditional or strong encryption
};

class ZipArchive {
 public:
  // Reads the directory; throws BookFailure (NotABook without an end record,
  // Damaged for a directory that does not add up).
  explicit ZipArchive(ZipInput& input);

  const std::vector<ZipEntry>& Entries() const { return entries_; }
  // The entry of that exact name, else one whose name differs only in ASCII
  // case (books made on Windows), else null.
  const ZipEntry* Find(std::string_view name) const;

  // The entry's bytes. Each piece tests `stop`. The reader throws Damaged
  // for a bad CRC, a wrong size or broken deflate data, Bomb for an
  // absurd ratio, Protected for an encrypted entry, Unsupported for an
  // unknown method. `budget`, when given, is charged with every inflated
  // byte and throws Bomb when it would go below zero.
  std::unique_ptr<ByteSource> Open(const ZipEntry& entry, std::stop_token stop = {},
                                   std::uint64_t* budget = nullptr) const;

  // A small entry (a container, a mimetype) whole; Damaged past `limit`.
  std::string ReadSmall(const ZipEntry& entry, std::size_t limit, std::stop_token stop = {}) const;

 private:
  ZipInput& input_;
  std::string directory_;
  std::vector<ZipEntry> entries_;
  std::vector<std::uint32_t> byName_;  // indices into entries_, sorted by name
  // By ASCII-lower-case name, made at the first name not found as written.
  mutable std::unordered_map<std::string, std::uint32_t> byFoldedName_;
};

}  // namespace dockline::convert
