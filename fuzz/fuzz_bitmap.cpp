// The bitmap reader and conversion on arbitrary bytes, once as they come and
// once with the type and file-size fields made right so that the later
// checks and the pixel reading are reached. A picture that comes out must be
// well formed: at most 320 × 240, exactly as long as its rows, spare bits set.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "convert/device_picture.h"

namespace {

using dockline::convert::PictureDefect;

void Check(bool ok) {
  if (!ok) std::abort();
}

void Run(const std::vector<std::uint8_t>& bitmap) {
  std::vector<std::uint8_t> picture;
  const int code = dockline::convert::BitmapToPicture(bitmap, picture);
  if (code != dockline::convert::kPictureOk) {
    Check(code == dockline::convert::kPictureDamaged || code == dockline::convert::kPictureUnsupported);
    Check(picture.empty());
    return;
  }
  dockline::convert::DevicePicture p;
  Check(dockline::convert::DecodePicture(picture, p) == PictureDefect::None);
  Check(p.width <= 320 && p.height <= 240);
  const std::size_t row = dockline::convert::PictureRowBytes(p.width);
  Check(picture.size() == 15 + row * p.height);
  const int spare = (4 - p.width % 4) % 4;
  if (spare != 0)
    for (int y = 0; y < p.height; ++y) {
      const std::uint8_t last = picture[15 + row * (y + 1) - 1];
      const std::uint8_t mask = static_cast<std::uint8_t>((1u << (2 * spare)) - 1);
      Check((last & mask) == mask);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bitmap(data, data + size);
  Run(bitmap);
  if (size >= 6) {
    bitmap[0] = 'B';
    bitmap[1] = 'M';
    for (int k = 0; k < 4; ++k) bitmap[2 + k] = static_cast<std::uint8_t>(size >> (8 * k));
    Run(bitmap);
  }
  return 0;
}
