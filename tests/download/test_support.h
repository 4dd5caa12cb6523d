#pragma once
// Helpers of the download tests: GBK text from UTF-8, a small EPUB, and the
// shared recording notifier and scratch folder.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "convert/book_support.h"
#include "platform/file_system.h"
#include "platform/notifier.h"
#include "support/scratch_folder.h"
#include "text/encoding.h"

namespace dockline::download::testing {

inline std::string G(std::string_view utf8) { return text::Utf8ToGbk(utf8); }

// An EPUB titled `title` whose one chapter holds `paragraphs`; its text on
// the device is the title, an empty line, then a line per paragraph.
inline std::string Epub(const std::string& title, const std::vector<std::string>& paragraphs) {
  std::string body;
  for (const std::string& p : paragraphs) body += "<p>" + p + "</p>";
  const std::string package =
      "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\"><metadata "
      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" + title + "</dc:title></metadata><manifest>"
      "<item id=\"c\" href=\"c.xhtml\" media-type=\"application/xhtml+xml\"/></manifest><spine><itemref idref=\"c\"/>"
      "</spine></package>";
  return convert::testutil::MakeEpub("OPS/book.opf", {{"OPS/book.opf", package}, {"OPS/c.xhtml", convert::testutil::XhtmlPage(body)}});
}

using dockline::testing::RecordingNotifier;
using dockline::testing::ScratchFolder;

}  // namespace dockline::download::testing
