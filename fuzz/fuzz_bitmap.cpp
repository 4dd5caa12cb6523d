// The bitmap conversion and the bitmap reader on arbitrary bytes, once as
// they come and once with the type and file-size fields made right so that
// the later checks and the pixel reading are reached. A picture that comes
// out must be well formed: at most 320 × 240, exactly as long as its rows,
// spare bits set. The reader is run over memory, over a file and over a
// stream, and must see the same picture through each.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "convert/bitmap_reader.h"
#include "convert/device_picture.h"
#include "convert/picture_fit.h"

namespace {

using namespace dockline::convert;

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckPicture(const std::vector<std::uint8_t>& picture) {
  DevicePicture p;
  Check(DecodePicture(picture, p) == PictureDefect::None);
  Check(p.width <= 320 && p.height <= 240);
  const std::size_t row = PictureRowBytes(p.width);
  Check(picture.size() == 15 + row * p.height);
  const int spare = (4 - p.width % 4) % 4;
  if (spare != 0)
    for (int y = 0; y < p.height; ++y) {
      const std::uint8_t last = picture[15 + row * (y + 1) - 1];
      const std::uint8_t mask = static_cast<std::uint8_t>((1u << (2 * spare)) - 1);
      Check((last & mask) == mask);
    }
}

// The builder, for pictures small enough that an input claiming a large one
// (a run-length stream that ends at once) does not slow the search.
struct SmallPictures : PictureBuilder {
  bool Begin(int width, int height, int orientation) override {
    return static_cast<std::int64_t>(width) * height <= (1 << 16) && PictureBuilder::Begin(width, height, orientation);
  }
};

struct Seen {
  DecodeStatus status;
  std::vector<std::int16_t> greys;
};

Seen Fitted(DecodeStatus status, const SmallPictures& builder) {
  if (status != DecodeStatus::Ok) return {status, {}};
  const PictureSize fit = builder.Fitted();
  Check(fit.width >= 1 && fit.width <= 320 && fit.height >= 1 && fit.height <= 240);
  std::vector<std::int16_t> greys = builder.Greys();
  Check(greys.size() == static_cast<std::size_t>(fit.width) * fit.height);
  for (auto g : greys) Check(g >= 0 && g <= 255);
  Seen seen{status, greys};
  CheckPicture(GreysToPicture(greys, fit.width, fit.height));
  return seen;
}

void Run(const std::vector<std::uint8_t>& bitmap) {
  std::vector<std::uint8_t> picture;
  const int code = BitmapToPicture(bitmap, picture);
  if (code == kPictureOk) {
    CheckPicture(picture);
  } else {
    Check(code == kPictureDamaged || code == kPictureUnsupported);
    Check(picture.empty());
  }

  SmallPictures memory;
  const Seen fromMemory = Fitted(FeedBitmap(bitmap, memory), memory);

  const int fd = memfd_create("bitmap", MFD_CLOEXEC);
  Check(fd >= 0);
  Check(bitmap.empty() || write(fd, bitmap.data(), bitmap.size()) == static_cast<ssize_t>(bitmap.size()));
  SmallPictures file;
  const Seen fromFile = Fitted(DecodeBitmapFile("/proc/self/fd/" + std::to_string(fd), file), file);
  close(fd);
  Check(fromFile.status == fromMemory.status && fromFile.greys == fromMemory.greys);

  if (bitmap.size() < 2 || bitmap[0] != 'B' || bitmap[1] != 'M') return;
  std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(bitmap.data()), bitmap.size(), "rb");
  Check(stream != nullptr);
  SmallPictures streamed;
  const Seen fromStream = Fitted(DecodePictureStream(stream, streamed), streamed);
  std::fclose(stream);
  Check(fromStream.status == fromMemory.status && fromStream.greys == fromMemory.greys);
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
