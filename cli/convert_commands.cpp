// Content conversion from the command line: html2txt, book2txt, bmp2ych,
// ych2bmp.
//
// Exit status: 0 success; bmp2ych answers the picture result code (1 source
// unreadable, 2 out of memory, 3 damaged, 4 unsupported, 5 too big, 6 the
// destination could not be written, 7 not a picture any decoder takes, 8
// more than 400 million pixels, 9 a side beyond 65535 pixels, 10 one side
// over 1000 times the other, 11 more memory than a decode is given);
// html2txt and ych2bmp use 1, 3 and 6 in the same sense; book2txt uses 1,
// 3 (a damaged or cut archive, no container or package, nothing to read),
// 4 (packed in a way it cannot read), 5 (too much text, or an archive that
// inflates beyond reason), 6 and 7 (no EPUB or Word document) so too, and
// 12 for a book locked by DRM; 64 for wrong arguments. A code keeps its
// meaning across the commands, so a script tests one set.
#include <string>

#include "cli/commands.h"
#include "convert/book_file.h"
#include "convert/book_text.h"
#include "convert/device_picture.h"
#include "convert/html_to_text.h"
#include "convert/picture_file.h"
#include "download/category_table.h"
#include "download/file_conversion.h"
#include "platform/file_system.h"

namespace dockline::cli {
namespace {

constexpr int kUsageError = 64;
constexpr int kUnreadable = 1, kDamaged = 3, kUnsupported = 4, kTooLarge = 5, kNotWritten = 6, kNotABook = 7;
constexpr int kProtected = 12;

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

int BookExitCode(const convert::BookFileResult& result) {
  switch (result.status) {
    case convert::BookFileResult::Converted: return 0;
    case convert::BookFileResult::Unreadable: return kUnreadable;
    case convert::BookFileResult::NotWritten: return kNotWritten;
    case convert::BookFileResult::Stopped:
    case convert::BookFileResult::Refused: break;
  }
  switch (result.problem) {
    case convert::BookProblem::NotABook: return kNotABook;
    case convert::BookProblem::Unsupported: return kUnsupported;
    case convert::BookProblem::Protected: return kProtected;
    case convert::BookProblem::TooMuchText:
    case convert::BookProblem::Bomb: return kTooLarge;
    default: return kDamaged;
  }
}

void TellReplaced(std::size_t replaced) {
  if (replaced > 0) Err(std::to_string(replaced) + "个字符GBK没有，已换成“?”。\n");
}

// What the e-book category's download makes of a file, written to DST as it
// is, for a look or for a device mounted elsewhere.
int BookToTextCommand(const Args& args) {
  if (WrongArgs(args, "book2txt SRC DST")) return kUsageError;
  const std::string &source = args[0], &target = args[1];
  switch (download::PlanConversion(download::kBookCategory, source, target).kind) {
    case download::Conversion::PageToText: return HtmlToTextCommand(args);
    case download::Conversion::BookText: {
      const convert::BookTextResult result = convert::ConvertBookText(source, target);
      if (result.status == convert::BookTextResult::Unreadable) {
        Err("无法读取" + source + "（" + platform::ErrorText(result.error) + "）\n");
        return kUnreadable;
      }
      if (result.status == convert::BookTextResult::NotWritten) {
        Err("无法写入" + target + "（" + platform::ErrorText(result.error) + "）\n");
        return kNotWritten;
      }
      TellReplaced(result.replaced);
      if (result.status == convert::BookTextResult::Converted) return 0;
      // Already GBK: the device takes it as it is.
      platform::Bytes text;
      if (!platform::ReadWholeFile(source, text)) {
        Err("无法读取" + source + Reason() + "\n");
        return kUnreadable;
      }
      if (!platform::ReplaceFileAtomically(target, text.data(), text.size())) {
        Err("无法写入" + target + Reason() + "\n");
        return kNotWritten;
      }
      return 0;
    }
    default: {
      // Any other name: what the file holds decides, as for an .epub that is a Word document.
      const convert::BookFileResult result = convert::ConvertBookFile(source, target);
      if (result.status != convert::BookFileResult::Converted) Err(convert::BookFileErrorText(result, source) + "\n");
      TellReplaced(result.replaced);
      return BookExitCode(result);
    }
  }
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
const Registrar kBook({"book2txt",
                       "book2txt SRC DST   book (EPUB, Word .docx, .txt, .lrc, web page) to device text (GBK), as the\n"
                       "                   e-book category downloads it (exit: 1 unreadable, 3 damaged, 4 unsupported\n"
                       "                   packing, 5 too large, 6 DST not written, 7 no book, 12 DRM-protected)",
                       BookToTextCommand});
const Registrar kBmp({"bmp2ych", "bmp2ych SRC DST    picture (JPEG, PNG, GIF, TIFF, BMP) to device picture, fitted to\n"
                      "                   320x240; bitmaps the device takes are cropped as always (exit: result code)",
                      BitmapToPictureCommand});
const Registrar kYch({"ych2bmp", "ych2bmp SRC DST    device picture to a 24-bit bitmap of its four greys",
                      PictureToBitmapCommand});

}  // namespace
}  // namespace dockline::cli
