#pragma once
// Helpers of the book tests: documents fed in small pieces, their text read
// back as UTF-8 with "\n" line ends, EPUBs put together from their files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "convert/book_file.h"
#include "convert/book_walker.h"
#include "convert/markup_cleaner.h"
#include "text/encoding.h"
#include "zip_builder.h"

namespace dockline::convert::testutil {

// Odd-sized pieces, so that references, tags and characters are cut
// across reads.
class PieceSource : public ByteSource {
 public:
  explicit PieceSource(std::string bytes, std::size_t piece = 7) : bytes_(std::move(bytes)), piece_(piece) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t n = std::min({size, piece_, bytes_.size() - at_});
    std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }

 private:
  std::string bytes_;
  std::size_t piece_;
  std::size_t at_ = 0;
};

// GBK text as UTF-8, each CR LF made "\n" (a lone LF would stay and show).
inline std::string Readable(const std::string& gbk) {
  std::string utf8 = text::GbkToUtf8(gbk), out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    out.push_back(utf8[i]);
  }
  return out;
}

// A sink that keeps nothing, for text that only has to be counted.
class DiscardingSink : public TextSink {
 public:
  void Write(const std::uint8_t*, std::size_t) override {}
  void Truncate(std::uint64_t) override {}
};

enum class Reader { Platform, Tolerant };

// What `walk` writes of `document`, read by the platform's reader or by the tolerant scan.
template <class Walk>
std::string WalkText(const std::string& document, Reader which, Walk&& walk, std::size_t* replaced = nullptr) {
  PieceSource source(document);
  MarkupCleaner cleaner(source);
  const auto reader = which == Reader::Platform ? OpenXmlReader(cleaner) : OpenTolerantReader(cleaner);
  MemorySink sink;
  BookWriter writer(sink);
  walk(*reader, writer);
  writer.Finish();
  if (replaced) *replaced = writer.Replaced();
  return Readable(sink.Bytes());
}

inline std::string XhtmlPage(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
         "<head><title>T</title><style>p{}</style></head><body>" +
         body + "</body></html>";
}

inline std::string Container(const std::string& packagePath) {
  return "<?xml version=\"1.0\"?><container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">"
         "<rootfiles><rootfile full-path=\"" + packagePath +
         "\" media-type=\"application/oebps-package+xml\"/></rootfiles></container>";
}

// An EPUB: the mimetype first and stored, the container, then `files`.
inline std::string MakeEpub(const std::string& packagePath, const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<ZipItem> items{{"mimetype", "application/epub+zip", false}, {"META-INF/container.xml", Container(packagePath)}};
  for (const auto& [name, data] : files) items.push_back({name, data});
  return BuildZip(items);
}

inline std::vector<std::uint8_t> AsBytes(const std::string& s) { return {s.begin(), s.end()}; }

// The text of a book in memory, or "" with `result` telling why not.
inline std::string BookText(const std::string& book, BookFileResult* result = nullptr, const std::string& name = {}) {
  MemorySink sink;
  const std::vector<std::uint8_t> bytes = AsBytes(book);
  const BookFileResult r = ConvertBookBytes(bytes, sink, name);
  if (result) *result = r;
  return r.status == BookFileResult::Converted ? Readable(sink.Bytes()) : std::string();
}

}  // namespace dockline::convert::testutil
