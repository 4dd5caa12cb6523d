#pragma once
// Windows bitmaps of every kind by our own reader, on every platform, so a
// bitmap looks the same wherever it is converted.

#include <stop_token>
#include <string>

#include "convert/picture_decoder.h"

namespace dockline::convert {

// A bitmap file row by row into `sink`; NotAPicture when it is no bitmap.
DecodeStatus DecodeBitmapFile(const std::string& path, PictureSink& sink, std::stop_token stop = {});

}  // namespace dockline::convert
