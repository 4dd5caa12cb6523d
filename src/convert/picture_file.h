#pragma once
// Any picture the user has (a phone's JPEG, a PNG, a GIF, a TIFF, a bitmap)
// as the device's picture: the whole picture, upright, fitted to 320 × 240.
//
// Bitmaps that the device's own conversion takes keep it, byte for byte:
// it shows their top-left 320 × 240 unscaled, and stored pictures and other
// tools rely on that. Every other picture, and the bitmaps it refuses
// (wider than 2048 pixels, compressed), go through the platform's decoder
// and the fitting in picture_fit.h.

#include <cstdint>
#include <stop_token>
#include <string>

#include "convert/device_picture.h"

namespace dockline::convert {

// The picture file for `sourcePath` in `picture`; a code of either table.
// A stop ends the decoding between rows with kPictureStopped.
int MakeDevicePicture(const std::string& sourcePath, platform::Bytes& picture, std::stop_token stop = {});

// MakeDevicePicture, then `destinationPath` written whole or not at all.
int ConvertPictureFile(const std::string& sourcePath, const std::string& destinationPath, std::stop_token stop = {});

// The message for any code of either table; empty for success and for a stop.
std::string PictureFileErrorText(int code, const std::string& sourcePath, const std::string& destinationPath = {});

// What the device would show for a file, and what it would take there,
// without writing anything: a picture to convert, or a picture file (.ych)
// as it is.
struct PicturePreview {
  int code = kPictureOk;  // for a picture file that does not read: kPictureDamaged
  DevicePicture picture;
  std::uint64_t deviceBytes = 0;
};
PicturePreview PreviewDevicePicture(const std::string& path, std::stop_token stop = {});

}  // namespace dockline::convert
