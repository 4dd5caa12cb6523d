#pragma once
// What the copy loop asks of the system, one small function each, so that the
// loop itself (and its order of create, write, flush, move, clean up) is one
// piece of code on every system. Each call answers 0 or the system's error
// code.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/file_system.h"

namespace dockline::platform::detail {

class CopyHandle {
 public:
  CopyHandle() = default;
  ~CopyHandle();
  CopyHandle(const CopyHandle&) = delete;
  CopyHandle& operator=(const CopyHandle&) = delete;
  bool valid() const { return value_ != kNone; }

  // `size` and `writeTime` as the open handle gives them.
  std::uint32_t OpenForReading(const std::string& path, std::uint64_t& size, FileTime& writeTime);
  // Creates or truncates, for writing; others may read it meanwhile.
  std::uint32_t Create(const std::string& path);
  // `got` is 0 at the end of the file.
  std::uint32_t Read(void* buffer, std::size_t room, std::size_t& got);
  std::uint32_t Write(const void* data, std::size_t size);
  // Copies up to `max` bytes from `in` to this file inside the kernel, where
  // the system offers it; `copied` is 0 at the end of the file.
  // kKernelCopyUnavailable: use Read and Write instead.
  std::uint32_t CopyFrom(CopyHandle& in, std::size_t max, std::size_t& copied);
  static constexpr std::uint32_t kKernelCopyUnavailable = 0xFFFFFFFFu;
  std::uint32_t SetWriteTime(FileTime time);
  // What was written, onto the medium; the handle stays open.
  std::uint32_t Flush();
  // Moves the file this handle has written (`from` names it) to `to` and
  // closes the handle, whatever the outcome. With `replace` false a file at
  // `to` is left alone and answered with a code IsAlreadyThere takes.
  std::uint32_t MoveAndClose(const std::string& from, const std::string& to, bool replace);
  // Closes, answering what the system says of it.
  std::uint32_t CloseChecked();
  void Close();

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t value_ = kNone;
};

// MoveAndClose for a file no handle holds open any more.
std::uint32_t MoveByName(const std::string& from, const std::string& to, bool replace);
// Whether a move's code says it found the target there.
bool IsAlreadyThere(std::uint32_t code);

using Consume = std::function<void(const void* data, std::size_t size)>;
// Reads the whole of `path`, handing each piece to `consume` in order: past
// the system's cache, or (`pastCache` false) as the system reads files, after
// whatever it offers to have the medium read again. kPastCacheRefused: the
// system will not read this file past its cache; nothing was consumed that
// counts.
std::uint32_t ReadWhole(const std::string& path, bool pastCache, const Consume& consume);
inline constexpr std::uint32_t kPastCacheRefused = 0xFFFFFFFEu;

// HashFileFromMedium over `read` (ReadWhole; the tests put refusals in).
using WholeReader = std::function<std::uint32_t(const std::string& path, bool pastCache, const Consume& consume)>;
std::uint32_t HashFromMedium(const std::string& path, std::uint64_t& hash, const WholeReader& read);

// Removes a file, answering nothing: used on the way out of a failure.
void RemoveQuietly(const std::string& path);

}  // namespace dockline::platform::detail
