#include "convert/picture_file.h"

#include <new>
#include <stdexcept>

#include "convert/picture_fit.h"
#include "text/encoding.h"

namespace dockline::convert {
namespace {

int FromStatus(DecodeStatus status, const PictureBuilder& builder) {
  switch (status) {
    case DecodeStatus::Ok: return kPictureOk;
    case DecodeStatus::Unreadable: return kPictureSourceMissing;
    case DecodeStatus::NotAPicture: return kPictureNotConvertible;
    case DecodeStatus::Damaged: return kPictureDamaged;
    case DecodeStatus::Refused: return builder.TooManyPixels() ? kPictureTooManyPixels : kPictureDamaged;
    case DecodeStatus::NoMemory: return kPictureNoMemory;
  }
  return kPictureDamaged;
}

int DecodeAndFit(const std::string& sourcePath, platform::Bytes& picture) {
  PictureBuilder builder;
  if (const int code = FromStatus(DecodePictureFile(sourcePath, builder), builder); code != kPictureOk) return code;
  const PictureSize size = builder.Fitted();
  std::vector<std::int16_t> greys = builder.Greys();
  picture = GreysToPicture(greys, size.width, size.height);
  return kPictureOk;
}

}  // namespace

int MakeDevicePicture(const std::string& sourcePath, platform::Bytes& picture) {
  try {
    if (text::EndsWithIgnoreAsciiCase(sourcePath, "bmp")) {
      platform::Bytes bitmap;
      if (!platform::ReadWholeFile(sourcePath, bitmap)) return kPictureSourceMissing;
      if (bitmap.size() >= 2 && bitmap[0] == 'B' && bitmap[1] == 'M') {
        const int code = BitmapToPicture(bitmap, picture);
        if (code != kPictureUnsupported) return code;
      }
    }
    return DecodeAndFit(sourcePath, picture);
  } catch (const std::bad_alloc&) {
    return kPictureNoMemory;
  } catch (const std::length_error&) {
    return kPictureTooBig;
  }
}

int ConvertPictureFile(const std::string& sourcePath, const std::string& destinationPath) {
  platform::Bytes picture;
  if (const int code = MakeDevicePicture(sourcePath, picture); code != kPictureOk) return code;
  if (!platform::ReplaceFileAtomically(destinationPath, picture.data(), picture.size())) return kPictureNotWritten;
  return kPictureOk;
}

std::string PictureFileErrorText(int code, const std::string& sourcePath, const std::string& destinationPath) {
  switch (code) {
    case kPictureNotConvertible: return sourcePath + "不是可以转换的图片文件。";
    case kPictureTooManyPixels: return sourcePath + "的图片超过4亿像素，太大，无法转换。";
    default: return PictureErrorText(code, sourcePath, destinationPath);
  }
}

PicturePreview PreviewDevicePicture(const std::string& path) {
  PicturePreview preview;
  platform::Bytes bytes;
  if (text::EndsWithIgnoreAsciiCase(path, ".ych")) {
    try {
      if (!platform::ReadWholeFile(path, bytes)) {
        preview.code = kPictureSourceMissing;
        return preview;
      }
    } catch (const std::bad_alloc&) {
      preview.code = kPictureTooBig;
      return preview;
    }
  } else if ((preview.code = MakeDevicePicture(path, bytes)) != kPictureOk) {
    return preview;
  }
  if (DecodePicture(bytes, preview.picture) != PictureDefect::None) {
    preview.code = kPictureDamaged;
    return preview;
  }
  preview.deviceBytes = kPictureHeaderSize + PictureRowBytes(preview.picture.width) * preview.picture.height;
  return preview;
}

}  // namespace dockline::convert
