// The backend of a build without decoder libraries: the 32-bit core, for
// which Debian has no 32-bit libjpeg, libpng or giflib installed. Bitmaps
// need no library, so our own reader still takes them; every other picture
// is one no decoder takes, as on a platform that lacks it.
#include <new>
#include <stdexcept>

#include "convert/device_picture.h"
#include "convert/picture_decoder.h"
#include "platform/file_system.h"

namespace dockline::convert {

DecodeStatus DecodePictureFile(const std::string& path, PictureSink& sink, std::stop_token stop) {
  platform::Bytes bytes;
  try {
    if (!platform::ReadWholeFile(path, bytes)) return DecodeStatus::Unreadable;
  } catch (const std::bad_alloc&) {
    return DecodeStatus::NoMemory;
  } catch (const std::length_error&) {
    return DecodeStatus::NoMemory;
  }
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return DecodeStatus::NotAPicture;
  return FeedBitmap(bytes, sink, stop);
}

}  // namespace dockline::convert
