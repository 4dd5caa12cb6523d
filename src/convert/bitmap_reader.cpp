#include "convert/bitmap_reader.h"

#include <new>
#include <stdexcept>

#include "convert/device_picture.h"
#include "platform/file_system.h"

namespace dockline::convert {

DecodeStatus DecodeBitmapFile(const std::string& path, PictureSink& sink, std::stop_token stop) {
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
