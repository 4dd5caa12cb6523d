#pragma once
// Streaming copy of one file onto the device, with progress and a way to stop.
//
// A copy goes in two halves, so that a download can write one file while the
// file before it is flushed and moved into place. StageCopy writes the bytes
// under a temporary name beside the target through one buffer of fixed size
// (kCopyBlockSize), so a file of several gigabytes needs no more memory than
// a small one, and gives the copy the source's last-write time.
// StagedCopy::Place flushes it, reads it back when asked to, and only then
// moves it over the target. A stop, a read or write error, a full disk, a
// device pulled out or a copy that reads back different leaves the old
// target as it was (or none), and the temporary file is removed whenever the
// folder can still be reached.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace dockline::platform {

namespace detail {
class CopyHandle;
}

inline constexpr std::size_t kCopyBlockSize = 1 << 20;
// Appended to the target's name while it is being written. It ends the name,
// so no listing wildcard of the device ("*.mp3") ever matches a half copy.
inline constexpr const char* kPartialSuffix = ".part~";

enum class CopyStatus {
  Copied,
  Stopped,       // the progress callback answered false; nothing was placed
  ReadFailed,    // the source could not be opened or read
  WriteFailed,   // the temporary file could not be created, written or flushed
  PlaceFailed,   // the finished copy could not be moved over the target
  Mismatch,      // the copy read back differs from what was read from the source; nothing was placed
  TargetExists,  // a move that was not to replace anything found a target; the copy waits, still unplaced
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
// called once before the first block (0 bytes).
using CopyProgress = std::function<bool(std::uint64_t copied, std::uint64_t total)>;

// The ContentHash of the file at `path` as the medium gives it back: 0 or
// the system's error code.
using ReadBack = std::function<std::uint32_t(const std::string& path, std::uint64_t& hash)>;

// The steps of a copy that the system may refuse.
enum class CopyStep { Create, Write, Flush, Move };
// Asked before each step with the copy's target: a nonzero answer is taken
// as the system's refusal of that step with that code. Tests put the faults
// of a real device (a full disk, a pulled cable, a failed flush) where they
// want them.
using StepFault = std::function<std::uint32_t(CopyStep step, const std::string& target)>;

// A file opened for copying, with what its handle says of it.
class CopySource {
 public:
  CopySource();
  ~CopySource();
  CopySource(const CopySource&) = delete;
  CopySource& operator=(const CopySource&) = delete;

  // 0 or the system's error code; a folder is refused.
  std::uint32_t Open(const std::string& path);
  bool IsOpen() const;
  const std::string& path() const { return path_; }
  std::uint64_t size = 0;
  FileTime writeTime = 0;

 private:
  friend class StagedCopy;
  std::string path_;
  std::unique_ptr<detail::CopyHandle> handle_;
};

struct CopyOptions {
  // With it, every byte goes through this process (never the kernel's own
  // copy) and is hashed on the way; the flushed copy is read back, and only
  // one that gives the same hash replaces the target. One that differs is
  // removed (Mismatch), so the target's old version survives a byte turned
  // over on the way. One that cannot be read back at all is placed all the
  // same, its code in `unchecked`: a read that failed says nothing against
  // the bytes, and the user is the one to decide.
  ReadBack readBack;
  // The last-write time the copy keeps; the source's own when not given.
  std::optional<FileTime> writeTime;
  StepFault fault;
};

// A copy written under its temporary name and not yet placed. Given up or
// dropped before it is placed, it closes and removes its temporary file.
class StagedCopy {
 public:
  StagedCopy();
  ~StagedCopy();
  StagedCopy(StagedCopy&&) noexcept;
  StagedCopy& operator=(StagedCopy&&) noexcept;

  // Writes the source's bytes (from where it was opened) beside `target`
  // under its temporary name, created afresh, so a longer one left by a
  // cut-off copy lends it no tail. On success this holds the copy for Place;
  // otherwise nothing is left of it. `progress` may stop it.
  CopyResult Stage(CopySource& source, const std::string& target, const CopyProgress& progress,
                   const CopyOptions& options);

  // Flushes the copy to the medium and, with a read-back, checks it; then
  // asks `ready` (false gives the copy up: Stopped) and moves it over the
  // target, or with `replace` false only where no file is there: a target
  // found answers TargetExists and the copy stays, flushed and checked, for
  // a second Place. Any other failure gives the copy up.
  CopyResult Place(bool replace, const std::function<bool()>& ready = {});
  void Abandon();

  bool Pending() const { return state_ != nullptr; }
  const std::string& Target() const;
  std::uint64_t Size() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Both halves at once, replacing the target. `progress` is asked once more
// after the copy is flushed (and read back), just before the move.
CopyResult CopyFileStreaming(const std::string& source, const std::string& target, const CopyProgress& progress = {},
                             const ReadBack& readBack = {});

// Reads `path` back from the medium, past the system's cache
// (FILE_FLAG_NO_BUFFERING; O_DIRECT), and answers the ContentHash of its
// bytes. Where the system refuses to read that file past its cache (tmpfs and
// some FUSE file systems refuse O_DIRECT, some redirectors and filter drivers
// FILE_FLAG_NO_BUFFERING), it reads it as usual, on POSIX after writing out
// and dropping the file's cached pages. 0 or the system's error code.
std::uint32_t HashFileFromMedium(const std::string& path, std::uint64_t& hash);

// Whether a system error code means the volume is full.
bool IsDiskFull(std::uint32_t error);

// The temporary name a copy to `target` is written under.
inline std::string PartialName(const std::string& target) { return target + kPartialSuffix; }

}  // namespace dockline::platform
