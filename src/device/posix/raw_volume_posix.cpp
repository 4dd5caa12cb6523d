// POSIX has no drive letters; a mapped drive may name an image file that
// stands for its raw device (see platform/drive_map.h).
#include <fcntl.h>
#include <unistd.h>

#include "device/raw_volume.h"
#include "platform/drive_map.h"

namespace dockline::device {

RawVolume::RawVolume() : method_(RawMethod::NtVolume), handle_(nullptr) {}

RawVolume::~RawVolume() = default;

bool RawVolume::ReadSectors(char letter, std::uint32_t firstSector, std::uint16_t count, void* buffer) {
  if (letter == 0) return false;
  for (const auto& d : platform::GetDriveMap()) {
    if (d.letter != letter || d.image.empty()) continue;
    const int fd = ::open(d.image.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const std::size_t want = static_cast<std::size_t>(count) * kSectorSize;
    const ssize_t got = ::pread(fd, buffer, want, static_cast<off_t>(firstSector) * static_cast<off_t>(kSectorSize));
    ::close(fd);
    return got == static_cast<ssize_t>(want);
  }
  return false;
}

}  // namespace dockline::device
