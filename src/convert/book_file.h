#pragma once
// EPUB books and Word documents (.docx) turned into the device's GBK text.
//
// What the device gets: the title (and the author, when the book names one)
// on the first lines, an empty line, then the chapters in reading order
// (the EPUB spine, linear="no" items at their place; the document's body),
// one line per paragraph, heading, list item or table row, CR LF line
// ends, characters GBK lacks made '?' and counted. See book_walker.h for
// how each kind of element reads. A Word document's footnotes and endnotes
// follow the paragraph that refers to them; an EPUB's notes stay where the
// book puts them.
//
// The kind of a file is told by its content, not its name: a ZIP whose
// mimetype says application/epub+zip, or that has META-INF/container.xml,
// is an EPUB; one with [Content_Types].xml and word/document.xml is a Word
// document.
//
// Bounded whatever the input: the archive is read in pieces (zip_archive.h,
// which refuses bombs), documents are streamed through the XML reader, the
// text goes to the file as it is made and may not pass kMaxBookText, and
// the whole book may not inflate past kMaxInflatedBook. A conversion tests
// its stop token between pieces of 64 KiB.

#include <cstdint>
#include <span>
#include <stop_token>
#include <string>

#include "convert/book_failure.h"
#include "convert/book_writer.h"

namespace dockline::convert {

inline constexpr std::uint64_t kMaxInflatedBook = 1ull << 30;

enum class BookKind { None, Epub, Docx };

struct BookFileResult {
  enum Status { Converted, Refused, Unreadable, NotWritten, Stopped } status = Converted;
  BookProblem problem = BookProblem::NotABook;  // why, for Refused, Unreadable and NotWritten
  std::size_t replaced = 0;  // characters GBK lacks, written as '?'
  std::uint32_t error = 0;   // the system's code for Unreadable and NotWritten
};

// What the file at `path` is, by its content; None for anything else,
// including a file that cannot be read.
BookKind BookKindOf(const std::string& path);

// Converts the book at `sourcePath` into `textPath`. Anything but Converted
// leaves no file at `textPath`.
BookFileResult ConvertBookFile(const std::string& sourcePath, const std::string& textPath, std::stop_token stop = {});

// The first `maxBytes` bytes (or fewer, never half a GBK character) of the
// text ConvertBookFile would write, without writing anything: for a
// preview. Converting stops as soon as that much is made.
BookFileResult PreviewBookFile(const std::string& sourcePath, std::size_t maxBytes, std::string& text,
                               std::stop_token stop = {});

// The same from bytes in memory, into any sink (fuzzers, tests). `name`
// stands for the title when the book has none; empty: no title line then.
BookFileResult ConvertBookBytes(std::span<const std::uint8_t> book, TextSink& sink, const std::string& name = {},
                                std::stop_token stop = {});

// The sentence the user reads for a result other than Converted, naming
// the file, in plain Chinese.
std::string BookFileErrorText(const BookFileResult& result, const std::string& sourcePath);

}  // namespace dockline::convert
