// The EXIF orientation reader on arbitrary bytes, once as a JPEG's start and
// once as an APP1 segment's contents; it must answer 1..8 and read nothing
// outside what it is given.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "convert/exif_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dockline::convert;
  // Exact-size copies, so that a read one byte past the end is caught.
  const std::vector<std::uint8_t> bytes(data, data + size);
  const int fromFile = JpegOrientation(bytes);
  std::vector<std::uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), data, data + size);
  const int fromSegment = ExifOrientation(app1);
  if (fromFile < 1 || fromFile > 8 || fromSegment < 1 || fromSegment > 8) std::abort();
  return 0;
}
