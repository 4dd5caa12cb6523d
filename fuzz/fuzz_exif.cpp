// The picture header reader and the EXIF orientation reader on arbitrary
// bytes, once as a file (whatever kind its first bytes make it) and once as
// an APP1 segment's contents; each must answer 1..8 and read nothing
// outside what it is given.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "convert/exif_orientation.h"
#include "convert/picture_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dockline::convert;
  // Exact-size copies, so that a read one byte past the end is caught.
  const std::vector<std::uint8_t> bytes(data, data + size);
  const int fromFile = JpegOrientation(bytes);
  const PictureHeader header = ReadPictureHeader(MemoryBytes(bytes));
  if (header.width < 0 || header.height < 0 || header.orientation != (header.kind == PictureKind::Jpeg ? fromFile : 1))
    std::abort();
  std::vector<std::uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), data, data + size);
  const int fromSegment = ExifOrientation(app1);
  if (fromFile < 1 || fromFile > 8 || fromSegment < 1 || fromSegment > 8) std::abort();
  return 0;
}
