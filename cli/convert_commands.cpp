// Content conversion from the command line: html2txt, bmp2ych, ych2bmp.
//
// Exit status: 0 success; bmp2ych answers the picture result code (1 source
// unreadable, 2 out of memory, 3 damaged, 4 unsupported, 5 too big, 6 the
// destination could not be written, 7 not a picture any decoder takes, 8
// more than 400 million pixels, 9 a side beyond 65535 pixels, 10 one side
// over 1000 times the other, 11 more memory than a decode is given);
// html2txt and ych2bmp use 1, 3 and 6 in the same sense; 64 for wrong
// arguments.
#include <string>

#include "cli/commands.h"
#include "convert/device_picture.h"
#include "convert/html_to_text.h"
#include "convert/picture_file.h"
#include "platform/file_system.h"

namespace dockline::cli {
namespace {

constexpr int kUsageError = 64;

std::string Reason() { return "（" + platform::ErrorText(platform::LastError()) + "）"; }

bool WrongArgs(const Args& args, const char* usage) {
  if (args.size() == 2) return false;
  Err(std::string("usage: dockline-cli ") + usage + "\n");
  return true;
}

int HtmlToTextCommand(const Args& given) {
  // --raw scans the bytes as they are, as if every page were GBK.
  const bool raw = !given.empty() && given[0] == "--raw";
  const Args args(given.begin() + (raw ? 1 : 0), given.end());
  if (WrongArgs(args, "html2txt [--raw] SRC DST")) return kUsageError;
  platform::Bytes page;
  if (!platform::ReadWholeFile(args[0], page)) {
    Err("无法读取" + args[0] + Reason() + "\n");
    return 1;
  }
  page.resize(raw ? convert::ScanHtml(page.data(), page.size(), page.data())
                  : convert::PageToText(page.data(), page.size()));
  if (!platform::ReplaceFileAtomically(args[1], page.data(), page.size())) {
    Err("无法写入" + args[1] + Reason() + "\n");
    return 6;
  }
  return 0;
}

int BitmapToPictureCommand(const Args& args) {
  if (WrongArgs(args, "bmp2ych SRC DST")) return kUsageError;
  const int code = convert::ConvertPictureFile(args[0], args[1]);
  if (code != convert::kPictureOk) Err(convert::PictureFileErrorText(code, args[0], args[1]) + "\n");
  return code;
}

int PictureToBitmapCommand(const Args& args) {
  if (WrongArgs(args, "ych2bmp SRC DST")) return kUsageError;
  platform::Bytes bytes;
  if (!platform::ReadWholeFile(args[0], bytes)) {
    Err("无法读取" + args[0] + Reason() + "\n");
    return 1;
  }
  convert::DevicePicture picture;
  if (const auto defect = convert::DecodePicture(bytes, picture); defect != convert::PictureDefect::None) {
    Err(convert::PictureDefectText(defect, args[0]) + "\n");
    return 3;
  }
  const platform::Bytes bitmap = convert::EncodePreviewBitmap(picture);
  if (!platform::ReplaceFileAtomically(args[1], bitmap.data(), bitmap.size())) {
    Err("无法写入" + args[1] + Reason() + "\n");
    return 6;
  }
  return 0;
}

const Registrar kHtml({"html2txt",
                       "html2txt [--raw] SRC DST   web page to device text (GBK); --raw: take the page's bytes as GBK",
                       HtmlToTextCommand});
const Registrar kBmp({"bmp2ych", "bmp2ych SRC DST    picture (JPEG, PNG, GIF, TIFF, BMP) to device picture, fitted to\n"
                      "                   320x240; bitmaps the device takes are cropped as always (exit: result code)",
                      BitmapToPictureCommand});
const Registrar kYch({"ych2bmp", "ych2bmp SRC DST    device picture to a 24-bit bitmap of its four greys",
                      PictureToBitmapCommand});

}  // namespace
}  // namespace dockline::cli
