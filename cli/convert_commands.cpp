// Content conversion from the command line: html2txt, bmp2ych, ych2bmp.
//
// Exit status: 0 success; bmp2ych answers the picture result code (1 source
// unreadable, 2 out of memory, 3 damaged, 4 unsupported, 5 too big, 6 the
// destination could not be written); html2txt and ych2bmp use 1, 3 and 6 in
// the same sense; 64 for wrong arguments.
#include <string>

#include "cli/commands.h"
#include "convert/device_picture.h"
#include "convert/html_to_text.h"
#include "platform/file_system.h"
#include "platform/notifier.h"

namespace dockline::cli {
namespace {

constexpr int kUsageError = 64;

class StderrNotifier : public platform::Notifier {
 public:
  void ShowMessage(std::string_view utf8) override { Err(std::string(utf8) + "\n"); }
};

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
  const int code = convert::ConvertBitmapFile(args[0], args[1]);
  if (code != convert::kPictureOk) {
    StderrNotifier notifier;
    convert::ReportPictureError(code, args[0], notifier, args[1]);
  }
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
const Registrar kBmp({"bmp2ych", "bmp2ych SRC DST    Windows bitmap to device picture (exit status: result code)",
                      BitmapToPictureCommand});
const Registrar kYch({"ych2bmp", "ych2bmp SRC DST    device picture to a 24-bit bitmap of its four greys",
                      PictureToBitmapCommand});

}  // namespace
}  // namespace dockline::cli
