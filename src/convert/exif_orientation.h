#pragma once
// Which way up a camera's JPEG is to be shown: the orientation tag (274) of
// the EXIF block in the file's APP1 segment. Phones store the sensor's rows
// as they come and only note the turn there; neither libjpeg nor every WIC
// (Wine's among them) reads it, so we do, on every platform.
//
// 1 upright, 2 mirrored, 3 upside down, 4 mirrored upside down, 5 mirrored
// and turned, 6 to be turned a quarter clockwise, 7, 8 a quarter
// anticlockwise; 1 whenever the tag is missing, damaged or out of range.

#include <cstdint>
#include <span>

namespace dockline::convert {

// From a JPEG file in memory: its first EXIF block before the image data,
// wherever it sits (picture_header.h reads the same from a file on disk).
int JpegOrientation(std::span<const std::uint8_t> file);

// From the contents of one APP1 segment ("Exif\0\0" and the TIFF block).
int ExifOrientation(std::span<const std::uint8_t> app1);

// Whether the turn swaps width and height (orientations 5 to 8).
constexpr bool SwapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

}  // namespace dockline::convert
