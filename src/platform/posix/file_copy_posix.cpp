// The copy primitives over file descriptors.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/copy_backend.h"
#include "platform/drive_map.h"
#include "platform/file_copy.h"
#include "platform/posix/file_time.h"

namespace dockline::platform::detail {
namespace {

std::uint32_t Errno() { return static_cast<std::uint32_t>(errno); }

}  // namespace

CopyHandle::~CopyHandle() { Close(); }

void CopyHandle::Close() {
  if (valid()) ::close(static_cast<int>(value_));
  value_ = kNone;
}

std::uint32_t CopyHandle::OpenForReading(const std::string& path, std::uint64_t& size, FileTime& writeTime) {
  Close();
  const int fd = ::open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Errno();
  value_ = fd;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Errno();
  if (S_ISDIR(st.st_mode)) return EISDIR;
  size = static_cast<std::uint64_t>(st.st_size);
  writeTime = FileTimeOf(st.st_mtim);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return 0;
}

std::uint32_t CopyHandle::Create(const std::string& path) {
  Close();
  const int fd = ::open(ToNativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Errno();
  value_ = fd;
  return 0;
}

std::uint32_t CopyHandle::Read(void* buffer, std::size_t room, std::size_t& got) {
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(value_), buffer, room);
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return 0;
    }
    if (errno != EINTR) return Errno();
  }
}

std::uint32_t CopyHandle::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(value_), p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Errno();
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

std::uint32_t CopyHandle::CopyFrom(CopyHandle& in, std::size_t max, std::size_t& copied) {
  for (;;) {
    const ssize_t n = ::copy_file_range(static_cast<int>(in.value_), nullptr, static_cast<int>(value_), nullptr, max, 0);
    if (n >= 0) {
      copied = static_cast<std::size_t>(n);
      return 0;
    }
    if (errno == EINTR) continue;
    // Across file systems, or where the file system has no such copy.
    if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL || errno == EBADF)
      return kKernelCopyUnavailable;
    return Errno();
  }
}

std::uint32_t CopyHandle::SetWriteTime(FileTime time) {
  const timespec times[2] = {{0, UTIME_OMIT}, TimespecOf(time)};
  return ::futimens(static_cast<int>(value_), times) == 0 ? 0 : Errno();
}

std::uint32_t CopyHandle::Flush() {
  // A descriptor that cannot be synchronised (EINVAL) has nothing cached to lose.
  return ::fsync(static_cast<int>(value_)) == 0 || errno == EINVAL ? 0 : Errno();
}

std::uint32_t CopyHandle::CloseChecked() {
  const int fd = static_cast<int>(value_);
  value_ = kNone;
  return ::close(fd) == 0 ? 0 : Errno();
}

std::uint32_t CopyHandle::MoveAndClose(const std::string& from, const std::string& to, bool replace) {
  // A file system sees the file's last bytes by its release at the latest;
  // closed first, it has them before the name changes.
  if (const auto code = CloseChecked()) return code;
  return MoveByName(from, to, replace);
}

std::uint32_t ReadWhole(const std::string& path, bool pastCache, const Consume& consume) {
  // O_DIRECT wants the buffer, the offsets and the sizes aligned to the
  // device's logical block; 4096 covers every block size in use.
  constexpr std::size_t kAlign = 4096;
  struct Aligned {
    void* p = nullptr;
    ~Aligned() { std::free(p); }
  } buffer;
  buffer.p = std::aligned_alloc(kAlign, kCopyBlockSize);
  if (!buffer.p) return ENOMEM;
  const int fd = ::open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC | (pastCache ? O_DIRECT : 0));
  if (fd < 0) return pastCache && errno == EINVAL ? kPastCacheRefused : Errno();
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (!pastCache) {
    // The next best thing: the file's cached pages written out and dropped,
    // so the reads below go to the medium.
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  }
  for (std::uint64_t offset = 0;;) {
    const ssize_t n = ::pread(fd, buffer.p, kCopyBlockSize, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    // A file system may take O_DIRECT at open and refuse it at the read.
    if (n < 0) return pastCache && offset == 0 && errno == EINVAL ? kPastCacheRefused : Errno();
    if (n == 0) return 0;
    consume(buffer.p, static_cast<std::size_t>(n));
    offset += static_cast<std::uint64_t>(n);
  }
}

std::uint32_t MoveByName(const std::string& from, const std::string& to, bool replace) {
  const std::string source = ToNativePath(from), target = ToNativePath(to);
  if (replace) return ::rename(source.c_str(), target.c_str()) == 0 ? 0 : Errno();
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return Errno();
  // Some file systems (FUSE ones among them) know no such rename: a look
  // first, which leaves a moment for a file to come between.
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) return EEXIST;
  return ::rename(source.c_str(), target.c_str()) == 0 ? 0 : Errno();
}

bool IsAlreadyThere(std::uint32_t code) { return code == EEXIST; }

void RemoveQuietly(const std::string& path) { ::unlink(ToNativePath(path).c_str()); }

}  // namespace dockline::platform::detail

namespace dockline::platform {
bool IsDiskFull(std::uint32_t error) { return error == ENOSPC || error == EDQUOT; }
}  // namespace dockline::platform
