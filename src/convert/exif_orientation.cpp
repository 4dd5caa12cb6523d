#include "convert/exif_orientation.h"

#include <algorithm>
#include <cstring>

namespace dockline::convert {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

class TiffReader {
 public:
  TiffReader(std::span<const std::uint8_t> b, bool bigEndian) : b_(b), big_(bigEndian) {}
  bool Has(std::size_t at, std::size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  std::uint16_t U16(std::size_t at) const {
    return big_ ? static_cast<std::uint16_t>(b_[at] << 8 | b_[at + 1]) : static_cast<std::uint16_t>(b_[at + 1] << 8 | b_[at]);
  }
  std::uint32_t U32(std::size_t at) const {
    return big_ ? static_cast<std::uint32_t>(U16(at)) << 16 | U16(at + 2)
                : static_cast<std::uint32_t>(U16(at + 2)) << 16 | U16(at);
  }

 private:
  std::span<const std::uint8_t> b_;
  bool big_;
};

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> app1) {
  if (app1.size() < 6 || std::memcmp(app1.data(), "Exif\0\0", 6) != 0) return 1;
  const auto tiff = app1.subspan(6);
  if (tiff.size() < 8) return 1;
  bool big;
  if (tiff[0] == 'I' && tiff[1] == 'I') big = false;
  else if (tiff[0] == 'M' && tiff[1] == 'M') big = true;
  else return 1;
  const TiffReader r(tiff, big);
  if (r.U16(2) != 42) return 1;
  const std::size_t ifd = r.U32(4);
  if (!r.Has(ifd, 2)) return 1;
  const std::size_t count = r.U16(ifd);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t entry = ifd + 2 + 12 * k;
    if (!r.Has(entry, 12)) return 1;
    if (r.U16(entry) != kOrientationTag) continue;
    // A short value sits in the first two bytes of the value field.
    if (r.U16(entry + 2) != kShortType || r.U32(entry + 4) != 1) return 1;
    const int value = r.U16(entry + 8);
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

int JpegOrientation(std::span<const std::uint8_t> b) {
  if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return 1;
  std::size_t i = 2;
  while (i + 4 <= b.size()) {
    if (b[i] != 0xFF) return 1;
    const std::uint8_t marker = b[i + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++i;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      i += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 1;  // the image data begins: no EXIF before it
    const std::size_t length = static_cast<std::size_t>(b[i + 2] << 8 | b[i + 3]);
    if (length < 2) return 1;
    const std::size_t body = i + 4;
    const std::size_t end = i + 2 + length;
    if (marker == 0xE1 && body + 6 <= b.size() && std::memcmp(b.data() + body, "Exif\0\0", 6) == 0)
      return ExifOrientation(b.subspan(body, std::min(end, b.size()) - body));
    i = end;
  }
  return 1;
}

}  // namespace dockline::convert
