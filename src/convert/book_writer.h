#pragma once
// The text of a book as the device reads it: lines of GBK ending in CR LF,
// one per paragraph, heading, list item or table row, at most one empty
// line in a row. The walkers of EPUB and Word documents say what they meet
// (text, the end of a block, a break, a gap before a heading); the writer
// keeps one line in hand, collapses white space as a browser does, and
// hands finished lines to a sink in GBK.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/book_failure.h"

namespace dockline::convert {

// The most text a converted book may have; a book past it is refused.
inline constexpr std::uint64_t kMaxBookText = 64u << 20;

// What the walkers write to.
class TextOut {
 public:
  virtual ~TextOut() = default;
  // Text whose white space runs count as one space, dropped at a line's ends.
  virtual void Text(std::string_view utf8) = 0;
  // Text kept as written, with no space before it (markers, brackets).
  virtual void Attach(std::string_view utf8) = 0;
  // Preformatted text: spaces kept, each line end ends a line.
  virtual void Preformatted(std::string_view utf8) = 0;
  // The end of a block: the line in hand, if any, is finished.
  virtual void EndBlock() = 0;
  // A forced line end; two in a row leave one empty line.
  virtual void LineBreak() = 0;
  // An empty line before the next text (a heading, a chapter), never two.
  virtual void Gap() = 0;
  // Written before the line's first text, if it gets any (list markers).
  virtual void Prefix(std::string_view utf8) = 0;
  // Where the line in hand stands, and a wrap of what came since (a note
  // reference becomes "[1]"); nothing happens once that part has gone.
  virtual std::size_t Position() const = 0;
  virtual void WrapSince(std::size_t position, std::string_view open, std::string_view close) = 0;
};

// Where GBK lines go.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
  // Cut what was written back to `size` bytes (a chapter read again).
  virtual void Truncate(std::uint64_t size) = 0;
  // A preview has enough: the conversion may end here.
  virtual bool Full() const { return false; }
};

// Thrown by the writer once its sink is Full.
class EnoughText : public std::exception {
 public:
  const char* what() const noexcept override { return "enough text"; }
};

// Text kept in memory, at most `limit` bytes (previews, fuzzers, tests).
class MemorySink : public TextSink {
 public:
  explicit MemorySink(std::size_t limit = SIZE_MAX) : limit_(limit) {}
  void Write(const std::uint8_t* data, std::size_t size) override;
  void Truncate(std::uint64_t size) override;
  bool Full() const override { return bytes_.size() >= limit_; }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::size_t limit_;
  std::string bytes_;
};

class BookWriter : public TextOut {
 public:
  explicit BookWriter(TextSink& sink) : sink_(sink) {}

  void Text(std::string_view utf8) override;
  void Attach(std::string_view utf8) override;
  void Preformatted(std::string_view utf8) override;
  void EndBlock() override;
  void LineBreak() override;
  void Gap() override;
  void Prefix(std::string_view utf8) override { prefix_.assign(utf8); }
  std::size_t Position() const override { return cut_ + line_.size(); }
  void WrapSince(std::size_t position, std::string_view open, std::string_view close) override;

  // A point to come back to when a chapter has to be read again; taken
  // between blocks.
  struct Checkpoint {
    std::uint64_t written = 0;
    std::size_t replaced = 0;
    bool lastEmpty = true;
    bool anyLine = false;
    bool gap = false;
  };
  Checkpoint Mark();
  void Rewind(const Checkpoint& mark);

  // Lines that, should the text begin with them, are not written again:
  // the title and author of the header, which books repeat on a title page.
  void SkipRepeated(std::vector<std::string> lines) { repeated_ = std::move(lines); }

  // Writes the line in hand and whatever is held to the sink.
  void Finish();
  std::size_t Replaced() const { return replaced_; }
  std::uint64_t Written() const { return flushed_ + gbk_.size(); }

 private:
  void Append(std::string_view utf8);  // with the typographic spaces made plain
  void StartText();
  void Commit(bool endLine);
  void Flush();

  TextSink& sink_;
  std::string line_;      // UTF-8
  std::size_t cut_ = 0;   // bytes of the line already written out (a line too long to hold)
  std::string prefix_;
  bool space_ = false;    // white space seen since the last text
  bool gap_ = false;
  bool lastEmpty_ = true;  // the last line written was empty, or nothing was written yet
  bool anyLine_ = false;
  std::string gbk_;        // finished lines not yet in the sink
  std::uint64_t flushed_ = 0;
  std::size_t replaced_ = 0;
  std::vector<std::string> repeated_;
};

// Text gathered on one line in memory (a footnote, a ruby annotation):
// blocks and breaks become spaces.
class InlineCollector : public TextOut {
 public:
  explicit InlineCollector(std::size_t limit) : limit_(limit) {}
  void Text(std::string_view utf8) override;
  void Attach(std::string_view utf8) override;
  void Preformatted(std::string_view utf8) override { Text(utf8); }
  void EndBlock() override { space_ = !text_.empty(); }
  void LineBreak() override { space_ = !text_.empty(); }
  void Gap() override {}
  void Prefix(std::string_view) override {}
  std::size_t Position() const override { return text_.size(); }
  void WrapSince(std::size_t position, std::string_view open, std::string_view close) override;
  std::string Take();

 private:
  void Check();
  std::size_t limit_;
  std::string text_;
  bool space_ = false;
};

}  // namespace dockline::convert
