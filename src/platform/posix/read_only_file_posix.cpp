#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/drive_map.h"
#include "platform/read_only_file.h"

namespace dockline::platform {

ReadOnlyFile::~ReadOnlyFile() { Close(); }

void ReadOnlyFile::Close() {
  if (value_ != kNone) ::close(static_cast<int>(value_));
  value_ = kNone;
  size_ = 0;
}

std::uint32_t ReadOnlyFile::Open(const std::string& path) {
  Close();
  const int fd = ::open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return static_cast<std::uint32_t>(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    const std::uint32_t code = S_ISDIR(st.st_mode) ? EISDIR : static_cast<std::uint32_t>(errno);
    ::close(fd);
    return code;
  }
  value_ = fd;
  size_ = static_cast<std::uint64_t>(st.st_size);
  return 0;
}

std::uint32_t ReadOnlyFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const {
  got = 0;
  auto* p = static_cast<unsigned char*>(buffer);
  while (got < size) {
    const ssize_t n = ::pread(static_cast<int>(value_), p + got, size - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return static_cast<std::uint32_t>(errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace dockline::platform
