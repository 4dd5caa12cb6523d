#pragma once
// Why a book (EPUB or Word document) does not become device text. The
// archive, the XML readers and the walkers throw BookFailure from deep
// inside a conversion; the entry point (book_file.h) catches it once and
// turns it into a result and a sentence for the user.

#include <cstddef>
#include <cstdint>
#include <exception>

namespace dockline::convert {

enum class BookProblem {
  NotABook,      // no ZIP, or a ZIP that is neither an EPUB nor a Word document
  Damaged,       // the archive is cut short or broken, or an entry fails its CRC
  Unsupported,   // an entry packed by a method other than stored or deflated
  Protected,     // DRM, or an entry encrypted by the ZIP itself
  NoContainer,   // an EPUB without META-INF/container.xml or a package it names
  NoPackage,     // the package document named by the container is missing
  EmptySpine,    // nothing to read: no spine, no document body
  TooMuchText,   // the text would pass kMaxBookText
  Bomb,          // an entry inflates past any sensible ratio, or the whole book past kMaxInflatedBook
  ReadFailed,    // the system could not read the file (systemError holds why)
  WriteFailed,   // the system could not write the text (systemError holds why)
  Stopped,       // the stop token was set
};

class BookFailure : public std::exception {
 public:
  explicit BookFailure(BookProblem problem, std::uint32_t systemError = 0)
      : problem_(problem), systemError_(systemError) {}
  BookProblem Problem() const { return problem_; }
  std::uint32_t SystemError() const { return systemError_; }
  const char* what() const noexcept override { return "book conversion failed"; }

 private:
  BookProblem problem_;
  std::uint32_t systemError_;
};

// Bytes pulled from somewhere in pieces: an entry being inflated, a
// document being cleaned. Read answers 0 only at the end and throws
// BookFailure for what the source cannot give.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t size) = 0;
};

}  // namespace dockline::convert
