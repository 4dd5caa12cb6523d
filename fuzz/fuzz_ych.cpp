// The picture decoder on arbitrary bytes. What it accepts must survive the
// round trips: picture → file → picture, and picture → preview bitmap →
// conversion, which gives back the same file since the four greys carry no
// error into the dither.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "convert/device_picture.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dockline::convert;
  DevicePicture picture;
  if (DecodePicture(std::span<const std::uint8_t>(data, size), picture) != PictureDefect::None) return 0;
  Check(picture.width <= kPictureMaxWidth && picture.height <= kPictureMaxHeight);
  Check(picture.levels.size() == static_cast<std::size_t>(picture.width) * picture.height);

  const std::vector<std::uint8_t> file = EncodePicture(picture);
  DevicePicture again;
  Check(DecodePicture(file, again) == PictureDefect::None);
  Check(again.width == picture.width && again.height == picture.height && again.levels == picture.levels);

  std::vector<std::uint8_t> converted;
  Check(BitmapToPicture(EncodePreviewBitmap(picture), converted) == kPictureOk);
  Check(converted == file);
  return 0;
}
