#pragma once
// Windows bitmap → the device's four-grey picture file ("*.ych"), and back
// for previews.
//
// Picture file: "YCP6170V1.0", width and height as 16-bit little-endian
// values (at most 320 × 240), then the rows top first, 2 bits a pixel, the
// leftmost pixel in the high bits, each row starting on a new byte with its
// spare low bits set to 1. A pixel is its brightness: 0 black … 3 white.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/picture_decoder.h"
#include "platform/file_system.h"
#include "platform/notifier.h"

namespace dockline::convert {

inline constexpr std::string_view kPictureMagic = "YCP6170V1.0";
inline constexpr std::size_t kPictureHeaderSize = 15;
inline constexpr int kPictureMaxWidth = 320;
inline constexpr int kPictureMaxHeight = 240;
inline constexpr int kBitmapMaxWidth = 2048;

// Result codes of a conversion, each with its message to the user; 6: the
// picture could not be written where it was to go; 7 and above only come
// from the conversion of other pictures (picture_file.h).
enum PictureCode : int {
  kPictureOk = 0,
  kPictureSourceMissing = 1,
  kPictureNoMemory = 2,
  kPictureDamaged = 3,
  kPictureUnsupported = 4,
  kPictureTooBig = 5,
  kPictureNotWritten = 6,
  kPictureNotConvertible = 7,  // no decoder takes the file
  kPictureTooManyPixels = 8,   // beyond kMaxPicturePixels; refused before decoding
  kPictureSideTooLong = 9,     // a side beyond kMaxPictureSide; likewise
  kPictureTooNarrow = 10,      // one side beyond kMaxPictureAspect times the other; likewise
  kPictureOverBudget = 11,     // decoding would take more than kDecodeMemoryBudget; likewise
  kPictureStopped = 12,        // a stop came first; nothing to tell
};

// The conversion itself: a whole bitmap file in, the picture file out.
// Answers kPictureOk, kPictureNoMemory, kPictureDamaged or kPictureUnsupported;
// `picture` is only filled on success. Never reads outside `bitmap`.
int BitmapToPicture(std::span<const std::uint8_t> bitmap, platform::Bytes& picture);

// The same conversion of a file, reading only its header, palette and the
// rows it shows, so that a bitmap of any height costs a few kilobytes. A
// file without "BM" at its start answers kPictureUnsupported, like any
// other the conversion does not take; one that cannot be read
// kPictureSourceMissing.
int BitmapFileToPicture(const std::string& path, platform::Bytes& picture);

// The device's grey of an 8-bit colour: luma weights in units of 1/32768.
constexpr int DeviceGrey(int blue, int green, int red) { return (3735 * blue + 19235 * green + 9798 * red) >> 15; }

// Greys (width × height, row-major, top first) dithered to four levels and
// written as a picture file, exactly as a bitmap's are. `greys` is used up.
platform::Bytes GreysToPicture(std::vector<std::int16_t>& greys, int width, int height);

// Reads `sourcePath`, converts it and writes `destinationPath` whole or not
// at all (an existing file stays as it was on failure). No message is shown.
// On kPictureNotWritten platform::LastError() tells why.
int ConvertBitmapFile(const std::string& sourcePath, const std::string& destinationPath);

// Shows the message for codes 1..6; any other code shows nothing.
void ReportPictureError(int code, const std::string& sourcePath, platform::Notifier& notifier,
                        const std::string& destinationPath = {});
// The message texts themselves; empty for codes without one.
std::string PictureErrorText(int code, const std::string& sourcePath, const std::string& destinationPath = {});

// ConvertBitmapFile followed by ReportPictureError; true on success.
bool ConvertBitmap(const std::string& sourcePath, const std::string& destinationPath, platform::Notifier& notifier);

// A picture as brightness levels 0..3, row-major, top row first.
struct DevicePicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> levels;
};

enum class PictureDefect {
  None,
  NotAPicture,  // too short for the magic, or another magic
  BadSize,      // width above 320 or height above 240
  Truncated,    // fewer pixel bytes than width and height need
};

// Bytes per picture row: four pixels a byte, rounded up.
constexpr std::size_t PictureRowBytes(int width) { return (2 * static_cast<std::size_t>(width) + 7) / 8; }

// Reads a picture file; bytes after the last row are ignored.
PictureDefect DecodePicture(std::span<const std::uint8_t> bytes, DevicePicture& picture);
std::string PictureDefectText(PictureDefect defect, const std::string& path);

// The picture file for `picture` (width ≤ 320, height ≤ 240, levels ≤ 3).
platform::Bytes EncodePicture(const DevicePicture& picture);

// A 24-bit bottom-up bitmap showing the levels as greys 0, 85, 170, 255.
platform::Bytes EncodePreviewBitmap(const DevicePicture& picture);

}  // namespace dockline::convert
