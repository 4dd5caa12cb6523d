#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "convert/text_file_sink.h"
#include "platform/drive_map.h"

namespace dockline::convert {

TextFileSink::~TextFileSink() { Close(); }

std::uint32_t TextFileSink::Create(const std::string& path) {
  Close();
  const int fd = ::open(platform::ToNativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return static_cast<std::uint32_t>(errno);
  value_ = fd;
  return 0;
}

void TextFileSink::Write(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(value_), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw BookFailure(BookProblem::WriteFailed, n < 0 ? static_cast<std::uint32_t>(errno) : ENOSPC);
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void TextFileSink::Truncate(std::uint64_t size) {
  const int fd = static_cast<int>(value_);
  if (::ftruncate(fd, static_cast<off_t>(size)) != 0 || ::lseek(fd, static_cast<off_t>(size), SEEK_SET) < 0)
    throw BookFailure(BookProblem::WriteFailed, static_cast<std::uint32_t>(errno));
}

std::uint32_t TextFileSink::Close() {
  if (value_ == kNone) return 0;
  const int rc = ::close(static_cast<int>(value_));
  value_ = kNone;
  return rc == 0 ? 0 : static_cast<std::uint32_t>(errno);
}

}  // namespace dockline::convert
