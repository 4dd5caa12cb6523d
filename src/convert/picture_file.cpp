#include "convert/picture_file.h"

#include <new>
#include <stdexcept>

#include "convert/picture_fit.h"
#include "text/encoding.h"

namespace dockline::convert {
namespace {

int FromShape(PictureShape shape) {
  switch (shape) {
    case PictureShape::TooManyPixels: return kPictureTooManyPixels;
    case PictureShape::SideTooLong: return kPictureSideTooLong;
    case PictureShape::TooNarrow: return kPictureTooNarrow;
    case PictureShape::Empty:
    case PictureShape::Fine: break;
  }
  return kPictureDamaged;  // a header without pixels
}

int FromStatus(DecodeStatus status, const PictureBuilder& builder) {
  switch (status) {
    case DecodeStatus::Ok: return kPictureOk;
    case DecodeStatus::Unreadable: return kPictureSourceMissing;
    case DecodeStatus::NotAPicture: return kPictureNotConvertible;
    case DecodeStatus::Damaged: return kPictureDamaged;
    case DecodeStatus::Refused: return FromShape(builder.Refusal());
    case DecodeStatus::NoMemory: return kPictureNoMemory;
    case DecodeStatus::OverBudget: return kPictureOverBudget;
    case DecodeStatus::Stopped: return kPictureStopped;
  }
  return kPictureDamaged;
}

int DecodeAndFit(const std::string& sourcePath, platform::Bytes& picture, std::stop_token stop) {
  PictureBuilder builder;
  if (const int code = FromStatus(DecodePictureFile(sourcePath, builder, stop), builder); code != kPictureOk)
    return code;
  const PictureSize size = builder.Fitted();
  std::vector<std::int16_t> greys = builder.Greys();
  picture = GreysToPicture(greys, size.width, size.height);
  return kPictureOk;
}

}  // namespace

int MakeDevicePicture(const std::string& sourcePath, platform::Bytes& picture, std::stop_token stop) {
  try {
    if (text::EndsWithIgnoreAsciiCase(sourcePath, "bmp")) {
      // Read at offsets, not whole: a bitmap the old conversion refuses goes on to our reader.
      const int code = BitmapFileToPicture(sourcePath, picture);
      if (code != kPictureUnsupported) return code;
    }
    return DecodeAndFit(sourcePath, picture, stop);
  } catch (const std::bad_alloc&) {
    return kPictureNoMemory;
  } catch (const std::length_error&) {
    return kPictureTooBig;
  }
}

int ConvertPictureFile(const std::string& sourcePath, const std::string& destinationPath, std::stop_token stop) {
  platform::Bytes picture;
  if (const int code = MakeDevicePicture(sourcePath, picture, stop); code != kPictureOk) return code;
  if (!platform::ReplaceFileAtomically(destinationPath, picture.data(), picture.size())) return kPictureNotWritten;
  return kPictureOk;
}

std::string PictureFileErrorText(int code, const std::string& sourcePath, const std::string& destinationPath) {
  switch (code) {
    case kPictureNotConvertible: return sourcePath + "不是可以转换的图片文件。";
    case kPictureTooManyPixels: return sourcePath + "：图片太大，超过4亿像素，无法转换。";
    case kPictureSideTooLong: return sourcePath + "：图片太大，有一边超过65535像素，无法转换。";
    case kPictureTooNarrow: return sourcePath + "：图片太窄太长，长边超过短边的1000倍，无法转换。";
    case kPictureOverBudget: return sourcePath + "：图片太大，转换它需要的内存超过128MB，无法转换。";
    case kPictureStopped: return {};
    default: return PictureErrorText(code, sourcePath, destinationPath);
  }
}

PicturePreview PreviewDevicePicture(const std::string& path, std::stop_token stop) {
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
  } else if ((preview.code = MakeDevicePicture(path, bytes, stop)) != kPictureOk) {
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
