#pragma once
// Web page → plain text for the device's e-book reader.
//
// The scan works on GBK bytes (pages in UTF-8 or UTF-16 are turned into GBK
// first): markup is dropped, five entities become their characters, <br>
// becomes a line break and double-byte characters pass through as pairs.
// The output is never longer than the input, so the scan can also run in
// place.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/notifier.h"

namespace dockline::convert {

// Scans `size` bytes at `in` and writes the text to `out`, answering its
// length (≤ size). `out` may equal `in`; otherwise the two must not overlap.
std::size_t ScanHtml(const std::uint8_t* in, std::size_t size, std::uint8_t* out);

// The whole conversion in place: a page that declares UTF-8 or UTF-16 is
// first turned into GBK (see page_encoding.h), then scanned. Answers the
// text's length (≤ size).
std::size_t PageToText(std::uint8_t* page, std::size_t size);

// The same as a pure function: page bytes in, text bytes out.
std::string HtmlBytesToText(std::string_view page);

class HtmlToText {
 public:
  // Texts are written to `tempFolder`, or to the user's temporary folder
  // when it is empty.
  explicit HtmlToText(platform::Notifier& notifier, std::string tempFolder = {});

  // Converts the page at `sourcePath` into "<temp folder><fileName up to its
  // first '.'>.txt". On success `sourcePath` names that text file and
  // `devicePath` is cut at its first '.' and given ".txt". On failure the
  // user has been told, no text file is left behind and both paths are
  // unchanged, so the caller must not copy anything for this page.
  bool Convert(std::string& sourcePath, std::string& devicePath, std::string_view fileName);

 private:
  platform::Notifier& notifier_;
  std::string tempFolder_;
};

// "name.part.html" → "name" + suffix; a name without '.' is kept whole.
std::string ReplaceFromFirstDot(std::string_view name, std::string_view suffix);

}  // namespace dockline::convert
