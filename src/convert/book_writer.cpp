#include "convert/book_writer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "convert/page_encoding.h"

namespace dockline::convert {
namespace {

// A line is held whole up to this; a longer one goes out in pieces.
constexpr std::size_t kHeldLine = 64 * 1024;
constexpr std::size_t kFlushAt = 64 * 1024;

bool IsCollapsible(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// What a typographic space or invisible mark becomes: spaces GBK lacks are
// plain spaces, marks that only steer line breaking, joining or glyph
// choice are dropped, so that they are not counted as characters lost.
struct Plain {
  std::size_t length = 0;  // bytes of the UTF-8 sequence; 0: none of these
  std::string_view replacement;
};

Plain PlainOf(const unsigned char* p, std::size_t n) {
  if (n >= 2 && p[0] == 0xC2) {
    if (p[1] == 0xA0) return {2, " "};  // no-break space
    if (p[1] == 0xAD) return {2, ""};   // soft hyphen
  } else if (n >= 3 && p[0] == 0xE2 && p[1] == 0x80) {
    if (p[2] >= 0x80 && p[2] <= 0x8A) return {3, " "};  // en quad … hair space
    if (p[2] >= 0x8B && p[2] <= 0x8F) return {3, ""};   // zero widths, direction marks
    if (p[2] >= 0xAA && p[2] <= 0xAE) return {3, ""};   // embeddings and overrides
    if (p[2] == 0xAF) return {3, " "};                  // narrow no-break space
  } else if (n >= 3 && p[0] == 0xE2 && p[1] == 0x81) {
    if (p[2] == 0xA0 || (p[2] >= 0xA6 && p[2] <= 0xA9)) return {3, ""};  // word joiner, isolates
  } else if (n >= 3 && p[0] == 0xEF) {
    if (p[1] == 0xBB && p[2] == 0xBF) return {3, ""};                  // zero width no-break space
    if (p[1] == 0xB8 && p[2] >= 0x80 && p[2] <= 0x8F) return {3, ""};  // variation selectors
  }
  return {};
}

}  // namespace

void MemorySink::Write(const std::uint8_t* data, std::size_t size) {
  const std::size_t room = limit_ - std::min(limit_, bytes_.size());
  bytes_.append(reinterpret_cast<const char*>(data), std::min(size, room));
}

void MemorySink::Truncate(std::uint64_t size) {
  if (size < bytes_.size()) bytes_.resize(static_cast<std::size_t>(size));
}

void BookWriter::Append(std::string_view utf8) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    const std::size_t start = i;
    while (i < n && p[i] != 0xC2 && p[i] != 0xE2 && p[i] != 0xEF) ++i;
    line_.append(utf8.substr(start, i - start));
    if (i == n) break;
    if (const Plain plain = PlainOf(p + i, n - i); plain.length > 0) {
      line_.append(plain.replacement);
      i += plain.length;
    } else {
      line_.push_back(static_cast<char>(p[i++]));
    }
  }
  if (line_.size() > kHeldLine) Commit(false);
}

void BookWriter::StartText() {
  if (line_.empty() && cut_ == 0) {
    if (gap_ && anyLine_ && !lastEmpty_) {
      gbk_.append("\r\n");
      lastEmpty_ = true;
    }
    gap_ = false;
    line_.append(prefix_);
    prefix_.clear();
  } else if (space_) {
    line_.push_back(' ');
  }
  space_ = false;
}

void BookWriter::Text(std::string_view utf8) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    if (IsCollapsible(utf8[i])) {
      space_ = true;
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < utf8.size() && !IsCollapsible(utf8[end])) ++end;
    StartText();
    Append(utf8.substr(i, end - i));
    i = end;
  }
}

void BookWriter::Attach(std::string_view utf8) {
  if (utf8.empty()) return;
  space_ = false;
  StartText();
  Append(utf8);
}

void BookWriter::Preformatted(std::string_view utf8) {
  std::size_t i = 0;
  while (i <= utf8.size()) {
    const std::size_t end = std::min(utf8.find('\n', i), utf8.size());
    std::string_view piece = utf8.substr(i, end - i);
    if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
    if (!piece.empty()) {
      space_ = false;
      StartText();
      Append(piece);
    }
    if (end == utf8.size()) break;
    LineBreak();
    i = end + 1;
  }
}

void BookWriter::EndBlock() {
  if (!line_.empty() || cut_ > 0) Commit(true);
  space_ = false;
}

void BookWriter::LineBreak() {
  if (!line_.empty() || cut_ > 0) {
    Commit(true);
  } else if (anyLine_ && !lastEmpty_) {
    gbk_.append("\r\n");
    lastEmpty_ = true;
  }
  space_ = false;
}

void BookWriter::Gap() { gap_ = true; }

void BookWriter::WrapSince(std::size_t position, std::string_view open, std::string_view close) {
  if (position < cut_) return;
  std::size_t at = position - cut_;
  while (at < line_.size() && line_[at] == ' ') ++at;
  if (at >= line_.size() || line_.compare(at, open.size(), open) == 0) return;
  line_.insert(at, open);
  line_.append(close);
}

void BookWriter::Commit(bool endLine) {
  if (!repeated_.empty()) {
    if (endLine && cut_ == 0 && line_ == repeated_.front()) {
      repeated_.erase(repeated_.begin());
      line_.clear();
      return;
    }
    repeated_.clear();
  }
  std::size_t take = line_.size();
  if (!endLine) {  // a piece of a long line: never half a character
    while (take > 0 && (static_cast<unsigned char>(line_[take - 1]) & 0xC0) == 0x80) --take;
    if (take > 0) --take;
    if (take == 0) take = line_.size();
  }
  const std::size_t had = gbk_.size();
  gbk_.resize(had + take + 2);
  auto* out = reinterpret_cast<std::uint8_t*>(gbk_.data()) + had;
  std::size_t n =
      PageToGbk(reinterpret_cast<const std::uint8_t*>(line_.data()), take, {PageEncoding::Utf8, 0}, out, &replaced_);
  gbk_.resize(had + n);
  if (endLine) {
    while (n > 0 && out[n - 1] == ' ') --n;  // spaces at a line's end show nothing
    gbk_.resize(had + n);
    if (n == 0 && cut_ == 0) {  // a line of spaces is an empty line, and never a second one
      line_.clear();
      if (anyLine_ && !lastEmpty_) {
        gbk_.append("\r\n");
        lastEmpty_ = true;
      }
      return;
    }
    gbk_.append("\r\n");
    line_.clear();
    cut_ = 0;
    lastEmpty_ = false;
    anyLine_ = true;
  } else {
    line_.erase(0, take);
    cut_ += take;
  }
  if (Written() > kMaxBookText) throw BookFailure(BookProblem::TooMuchText);
  if (gbk_.size() >= kFlushAt) Flush();
}

void BookWriter::Flush() {
  if (!gbk_.empty()) sink_.Write(reinterpret_cast<const std::uint8_t*>(gbk_.data()), gbk_.size());
  flushed_ += gbk_.size();
  gbk_.clear();
  if (sink_.Full()) throw EnoughText();
}

BookWriter::Checkpoint BookWriter::Mark() {
  EndBlock();
  return {Written(), replaced_, lastEmpty_, anyLine_, gap_};
}

void BookWriter::Rewind(const Checkpoint& mark) {
  line_.clear();
  cut_ = 0;
  prefix_.clear();
  space_ = false;
  if (mark.written >= flushed_) {
    gbk_.resize(static_cast<std::size_t>(mark.written - flushed_));
  } else {
    gbk_.clear();
    sink_.Truncate(mark.written);
    flushed_ = mark.written;
  }
  replaced_ = mark.replaced;
  lastEmpty_ = mark.lastEmpty;
  anyLine_ = mark.anyLine;
  gap_ = mark.gap;
}

void BookWriter::Finish() {
  EndBlock();
  Flush();
}

void InlineCollector::Text(std::string_view utf8) {
  for (const char c : utf8) {
    if (IsCollapsible(c)) {
      space_ = !text_.empty();
      continue;
    }
    if (space_) text_.push_back(' ');
    space_ = false;
    text_.push_back(c);
  }
  Check();
}

void InlineCollector::Attach(std::string_view utf8) {
  space_ = false;
  text_.append(utf8);
  Check();
}

void InlineCollector::WrapSince(std::size_t position, std::string_view open, std::string_view close) {
  while (position < text_.size() && text_[position] == ' ') ++position;
  if (position >= text_.size() || text_.compare(position, open.size(), open) == 0) return;
  text_.insert(position, open);
  text_.append(close);
}

void InlineCollector::Check() {
  if (text_.size() > limit_) throw BookFailure(BookProblem::TooMuchText);
}

std::string InlineCollector::Take() {
  space_ = false;
  return std::exchange(text_, {});
}

}  // namespace dockline::convert
