#pragma once
// Which rows of the download page open a preview of what the device will
// get, and what that preview holds: the picture a file becomes, or the
// start of the text a book becomes, with what it takes on the device.

#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>

#include "convert/picture_file.h"
#include "download/file_entry.h"

namespace dockline::download {

enum class PreviewKind { None, Picture, Text };

// A PC row previews what its download makes (the decision of
// PlanConversion, so the preview is what the download will make): a device
// picture, or the text of a book, a web page or a text file of the e-book
// category. A device row holding a picture file or a text previews it.
PreviewKind PreviewKindOf(const FileEntry& entry, bool onDevice);

// How much of a text the preview shows: a few thousand characters, the
// first pages of a book.
inline constexpr std::size_t kPreviewTextBytes = 8192;

struct TextPreview {
  // UTF-8, at most the first kPreviewTextBytes bytes of the device's GBK
  // text (never half a character), with CR LF line ends and no NULs, as an
  // edit box shows text.
  std::string start;
  std::uint64_t deviceBytes = 0;  // the whole text's, on the device
  std::size_t replaced = 0;       // characters GBK lacks, made '?'
};

// What the device will get for a row's file, made as the download makes it.
// When it would make nothing, `failure` holds the words the download would
// use: the source's own faults first, as the run tells them, then the
// conversion's.
struct RowPreview {
  PreviewKind kind = PreviewKind::None;
  convert::PicturePreview picture;
  TextPreview text;
  std::string failure;
};
// A text is made whole, as the download makes it, in `tempFolder` ("" for
// the system's), and removed once read: its size and its '?' need all of
// it. A stop ends the conversion early; what it answers then is of no use.
RowPreview PreviewRowFile(const FileEntry& entry, bool onDevice, const std::string& tempFolder = {},
                          std::stop_token stop = {});

// "320 × 240，在U盘上占 19,215 字节"
std::string PreviewSizeText(int width, int height, std::uint64_t deviceBytes);
// "在U盘上占 19,215 字节" and, when there are any, the characters made '?'.
std::string PreviewTextInfo(const TextPreview& text);

// "19,215": thousands set apart, as the size of a file is read.
std::string GroupedDigits(std::uint64_t value);

}  // namespace dockline::download
