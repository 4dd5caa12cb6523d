// Our decoding front end over the platform's decoders (libjpeg-turbo, libpng,
// giflib, and our bitmap reader) on arbitrary bytes, as the native build
// runs it: the picture that comes out, if any, must fit the screen and read
// back as a well-formed device picture.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "convert/device_picture.h"
#include "convert/picture_fit.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dockline::convert;
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (!file) return 0;
  PictureBuilder builder;
  const DecodeStatus status = DecodePictureStream(file, builder);
  std::fclose(file);
  if (status != DecodeStatus::Ok) return 0;
  const PictureSize fit = builder.Fitted();
  Check(fit.width >= 1 && fit.width <= 320 && fit.height >= 1 && fit.height <= 240);
  std::vector<std::int16_t> greys = builder.Greys();
  Check(greys.size() == static_cast<std::size_t>(fit.width) * fit.height);
  for (auto g : greys) Check(g >= 0 && g <= 255);
  DevicePicture picture;
  Check(DecodePicture(GreysToPicture(greys, fit.width, fit.height), picture) == PictureDefect::None);
  return 0;
}
