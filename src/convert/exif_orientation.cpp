#include "convert/exif_orientation.h"

#include <cstring>

#include "convert/picture_header.h"

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

int JpegOrientation(std::span<const std::uint8_t> file) {
  const PictureHeader header = ReadPictureHeader(MemoryBytes(file));
  return header.kind == PictureKind::Jpeg ? header.orientation : 1;
}

}  // namespace dockline::convert
