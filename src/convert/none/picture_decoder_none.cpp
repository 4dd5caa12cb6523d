// The backend of a build without decoder libraries: the 32-bit core, for
// which Debian has no 32-bit libjpeg, libpng or giflib installed. Bitmaps
// need no library, so our own reader still takes them; every other picture
// is one no decoder takes, as on a platform that lacks it.
#include "convert/bitmap_reader.h"
#include "convert/picture_decoder.h"

namespace dockline::convert {

DecodeStatus DecodePictureFile(const std::string& path, PictureSink& sink, std::stop_token stop) {
  return DecodeBitmapFile(path, sink, stop);
}

}  // namespace dockline::convert
