#pragma once
// Streaming copy of one file onto the device, with progress and a way to stop.
//
// The bytes go through one buffer of fixed size (kCopyBlockSize), so a file
// of several gigabytes needs no more memory than a small one. They are
// written under a temporary name beside the target, flushed, and only then
// moved over the target: a stop, a read or write error, a full disk, a
// device pulled out or a copy that reads back different leaves the old
// target as it was (or none), and the temporary file is removed whenever the
// folder can still be reached.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dockline::platform {

inline constexpr std::size_t kCopyBlockSize = 1 << 20;
// Appended to the target's name while it is being written. It ends the name,
// so no listing wildcard of the device ("*.mp3") ever matches a half copy.
inline constexpr const char* kPartialSuffix = ".part~";

enum class CopyStatus {
  Copied,
  Stopped,      // the progress callback answered false; nothing was placed
  ReadFailed,   // the source could not be opened or read
  WriteFailed,  // the temporary file could not be created, written or flushed
  PlaceFailed,  // the finished copy could not be moved over the target
  Mismatch,     // the copy read back differs from what was read from the source; nothing was placed
};

struct CopyResult {
  CopyStatus status = CopyStatus::Copied;
  std::uint32_t error = 0;  // the system's code for the failures
  std::uint64_t copied = 0;
  // Copied, but the read-back failed with this code: the copy was placed unchecked.
  std::uint32_t unchecked = 0;
  bool ok() const { return status == CopyStatus::Copied; }
};

// Called after every block with the bytes copied so far and the size the
// source had when it was opened; answering false stops the copy. It is also
// called once before the first block (0 bytes) and once more after the last
// one, before the copy is moved into place, so a stop asked meanwhile is
// still honoured.
using CopyProgress = std::function<bool(std::uint64_t copied, std::uint64_t total)>;

// The ContentHash of the file at `path` as the medium gives it back: 0 or
// the system's error code.
using ReadBack = std::function<std::uint32_t(const std::string& path, std::uint64_t& hash)>;

// With `readBack`, every byte goes through this process (never the kernel's
// own copy) and is hashed on the way; the flushed temporary copy is then read
// back, and only a copy that gives the same hash replaces the target. One
// that differs is removed (Mismatch), so the target's old version survives a
// byte turned over on the way. One that cannot be read back at all is placed
// all the same, its code in `unchecked`: a read that failed says nothing
// against the bytes, and the user is the one to decide.
CopyResult CopyFileStreaming(const std::string& source, const std::string& target, const CopyProgress& progress = {},
                             const ReadBack& readBack = {});

// Reads `path` back from the medium, past the system's cache
// (FILE_FLAG_NO_BUFFERING; O_DIRECT), and answers the ContentHash of its
// bytes. Where the system refuses to read that file past its cache (tmpfs and
// some FUSE file systems refuse O_DIRECT, some redirectors and filter drivers
// FILE_FLAG_NO_BUFFERING), it reads it as usual, on POSIX after writing out
// and dropping the file's cached pages. 0 or the system's error code.
std::uint32_t HashFileFromMedium(const std::string& path, std::uint64_t& hash);

// Opens `path` for reading and answers its size: the test that a file can be
// copied at all. std::nullopt when it cannot be opened, with the system's
// code in `error` when one is given.
std::optional<std::uint64_t> ReadableFileSize(const std::string& path, std::uint32_t* error = nullptr);

// Whether a system error code means the volume is full.
bool IsDiskFull(std::uint32_t error);

// The temporary name a copy to `target` is written under.
inline std::string PartialName(const std::string& target) { return target + kPartialSuffix; }

}  // namespace dockline::platform
