#include "convert/markup_cleaner.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "convert/html_entities.h"
#include "text/encoding.h"

namespace dockline::convert {
namespace {

constexpr std::size_t kPiece = 32 * 1024;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
// Enough of the start to read an XML declaration's encoding.
constexpr std::size_t kDeclarationWindow = 256;

bool IsXmlCharacter(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (!IsXmlCharacter(c)) {
    if (c >= 0x20) out.append(kReplacement);  // forbidden controls are dropped, the rest marked
  } else {
    text::AppendUtf8(out, c);
  }
}

void AppendReference(std::string& out, char32_t c) {
  char buffer[16];
  const int n = std::snprintf(buffer, sizeof buffer, "&#x%X;", static_cast<unsigned>(c));
  out.append(buffer, static_cast<std::size_t>(n));
}

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool StartsNoCase(std::string_view s, std::string_view lowerPrefix) {
  return s.size() >= lowerPrefix.size() && text::EqualsIgnoreAsciiCase(s.substr(0, lowerPrefix.size()), lowerPrefix);
}

// The encoding named by an XML declaration at the very start, lower case.
std::string DeclaredEncoding(std::string_view s) {
  if (!s.starts_with("<?xml")) return {};
  s = s.substr(0, s.find("?>"));
  const std::size_t at = s.find("encoding");
  if (at == std::string_view::npos) return {};
  std::size_t k = at + 8;
  while (k < s.size() && (IsAsciiSpace(s[k]) || s[k] == '=')) ++k;
  if (k >= s.size() || (s[k] != '"' && s[k] != '\'')) return {};
  const std::size_t close = s.find(s[k], k + 1);
  if (close == std::string_view::npos) return {};
  std::string name(s.substr(k + 1, close - k - 1));
  for (char& c : name) c = text::AsciiLower(c);
  return name;
}

}  // namespace

void MarkupCleaner::SniffEncoding() {
  const std::string_view s = raw_;
  if (s.starts_with("\xEF\xBB\xBF")) {
    raw_.erase(0, 3);
    encoding_ = Encoding::Utf8;
  } else if (s.starts_with("\xFF\xFE")) {
    raw_.erase(0, 2);
    encoding_ = Encoding::Utf16Le;
  } else if (s.starts_with("\xFE\xFF")) {
    raw_.erase(0, 2);
    encoding_ = Encoding::Utf16Be;
  } else if (s.starts_with(std::string_view("<\0", 2))) {
    encoding_ = Encoding::Utf16Le;
  } else if (s.starts_with(std::string_view("\0<", 2))) {
    encoding_ = Encoding::Utf16Be;
  } else {
    const std::string name = DeclaredEncoding(s);
    encoding_ = name == "gbk" || name == "gb2312" || name == "gb18030" || name == "x-gbk" || name == "cp936"
                    ? Encoding::Gbk
                    : Encoding::Utf8;
  }
}

void MarkupCleaner::DecodeUtf8() {
  const auto* p = reinterpret_cast<const std::uint8_t*>(raw_.data());
  const std::size_t n = raw_.size();
  std::size_t i = 0;
  while (i < n) {
    const std::size_t start = i;
    while (i < n && p[i] >= 0x20 && p[i] < 0x80) ++i;
    text_.append(raw_, start, i - start);
    if (i == n) break;
    const std::uint8_t lead = p[i];
    if (lead < 0x80) {  // a control: XML keeps tab and line ends only
      if (lead == '\t' || lead == '\n' || lead == '\r') text_.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    std::size_t extra = 0;
    std::uint8_t lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      if (lead == 0xE0) lo = 0xA0;
      if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      if (lead == 0xF0) lo = 0x90;
      if (lead == 0xF4) hi = 0x8F;
    } else {
      text_.append(kReplacement);
      ++i;
      continue;
    }
    if (n - i <= extra && !rawEnded_) {
      bool fits = true;  // a character cut by the piece's end waits for the next piece
      for (std::size_t k = 1; k < n - i; ++k)
        if ((p[i + k] & 0xC0) != 0x80 || (k == 1 && (p[i + 1] < lo || p[i + 1] > hi))) fits = false;
      if (fits) break;
    }
    std::size_t length = 1;
    if (n - i > extra && p[i + 1] >= lo && p[i + 1] <= hi) {
      length = 2;
      while (length <= extra && (p[i + length] & 0xC0) == 0x80) ++length;
    }
    if (length == extra + 1) {
      // U+FFFE and U+FFFF are no XML characters.
      if (lead == 0xEF && p[i + 1] == 0xBF && p[i + 2] >= 0xBE)
        text_.append(kReplacement);
      else
        text_.append(raw_, i, length);
      i += length;
    } else {
      text_.append(kReplacement);
      i += length;  // the maximal ill-formed part is one replacement
    }
  }
  raw_.erase(0, i);
}

void MarkupCleaner::DecodeUtf16() {
  const auto* p = reinterpret_cast<const std::uint8_t*>(raw_.data());
  const std::size_t n = raw_.size();
  const bool big = encoding_ == Encoding::Utf16Be;
  const auto unit = [&](std::size_t k) -> char32_t { return big ? p[k] << 8 | p[k + 1] : p[k + 1] << 8 | p[k]; };
  std::size_t i = 0;
  while (n - i >= 2) {
    char32_t c = unit(i);
    std::size_t length = 2;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (n - i < 4 && !rawEnded_) break;
      if (n - i >= 4 && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
        length = 4;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(text_, c);
    i += length;
  }
  if (rawEnded_ && i < n) {
    text_.append(kReplacement);
    i = n;
  }
  raw_.erase(0, i);
}

void MarkupCleaner::DecodeGbk() {
  const auto* p = reinterpret_cast<const std::uint8_t*>(raw_.data());
  const std::size_t n = raw_.size();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      AppendUtf8(text_, p[i]);
      ++i;
      continue;
    }
    std::size_t end = i;  // a run of two-byte characters, converted at once
    while (end < n && p[end] >= 0x80) end += 2;
    if (end > n) {
      if (!rawEnded_) end -= 2;  // its last lead byte waits for its trail
      else end = n;
    }
    if (end == i) break;
    text_.append(text::GbkToUtf8(std::string_view(raw_).substr(i, end - i)));
    i = end;
  }
  raw_.erase(0, i);
}

bool MarkupCleaner::Decode() {
  if (rawEnded_ && raw_.empty()) return false;
  do {
    const std::size_t had = raw_.size();
    raw_.resize(had + kPiece);
    const std::size_t got = source_.Read(reinterpret_cast<std::uint8_t*>(raw_.data()) + had, kPiece);
    raw_.resize(had + got);
    if (got == 0) rawEnded_ = true;
  } while (encoding_ == Encoding::Unknown && !rawEnded_ && raw_.size() < kDeclarationWindow);
  if (encoding_ == Encoding::Unknown) SniffEncoding();
  const std::size_t before = text_.size();
  switch (encoding_) {
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: DecodeUtf16(); break;
    case Encoding::Gbk: DecodeGbk(); break;
    default: DecodeUtf8(); break;
  }
  if (rawEnded_ && !raw_.empty()) {  // a character cut off by the end
    text_.append(kReplacement);
    raw_.clear();
  }
  return text_.size() > before || !(rawEnded_ && raw_.empty());
}

bool MarkupCleaner::Ensure(std::size_t count) {
  while (text_.size() - pos_ < count) {
    if (pos_ > 0) {
      text_.erase(0, pos_);
      pos_ = 0;
    }
    if (!Decode()) return text_.size() - pos_ >= count;
  }
  return true;
}

void MarkupCleaner::Reference() {
  Ensure(kLongestCharacterName + 3);
  const std::string_view s = std::string_view(text_).substr(pos_);
  if (s.size() > 1 && s[1] == '#') {
    std::size_t k = 2;
    const bool hex = k < s.size() && (s[k] == 'x' || s[k] == 'X');
    if (hex) ++k;
    const std::size_t digits = k;
    char32_t value = 0;
    for (; k < s.size() && k < digits + 10; ++k) {
      const char c = s[k];
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else break;
      value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(d), 0x110000);
    }
    if (k > digits && k < s.size() && s[k] == ';') {
      if (IsXmlCharacter(value)) out_.append(s.substr(0, k + 1));
      else out_.append("&#xFFFD;");
      pos_ += k + 1;
      return;
    }
  } else {
    std::size_t k = 1;
    while (k < s.size() && k <= kLongestCharacterName && IsAsciiAlnum(s[k])) ++k;
    if (k > 1 && k < s.size() && s[k] == ';') {
      const std::string_view name = s.substr(1, k - 1);
      if (name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos") {
        out_.append(s.substr(0, k + 1));
      } else if (const NamedCharacter c = LookUpNamedCharacter(name); c.first) {
        AppendReference(out_, c.first);
        if (c.second) AppendReference(out_, c.second);
      } else {
        out_.append("&amp;").append(name).push_back(';');
      }
      pos_ += k + 1;
      return;
    }
  }
  out_.append("&amp;");
  pos_ += 1;
}

void MarkupCleaner::Markup() {
  Ensure(9);
  const std::string_view s = std::string_view(text_).substr(pos_);
  if (s.starts_with("<!--")) {
    out_.append(s.substr(0, 4));
    pos_ += 4;
    state_ = State::Comment;
  } else if (s.starts_with("<![CDATA[")) {
    out_.append(s.substr(0, 9));
    pos_ += 9;
    state_ = State::CData;
  } else if (StartsNoCase(s, "<!doctype")) {
    pos_ += 9;
    state_ = State::DocumentType;
    subsetDepth_ = 0;
    quote_ = 0;
  } else if (s.starts_with("<?xml") && (s.size() == 5 || IsAsciiSpace(s[5]) || s[5] == '?')) {
    pos_ += 5;
    state_ = State::Declaration;
  } else if (s.starts_with("<?")) {
    out_.append("<?");
    pos_ += 2;
    state_ = State::Instruction;
  } else {
    out_.push_back('<');
    pos_ += 1;
    prolog_ = false;
  }
}

bool MarkupCleaner::CopyUntil(std::string_view end, bool keep) {
  const std::size_t found = text_.find(end, pos_);
  if (found != std::string::npos) {
    if (keep) out_.append(text_, pos_, found + end.size() - pos_);
    pos_ = found + end.size();
    state_ = State::Text;
    return true;
  }
  // Keep back what could be the start of the end, for the next piece.
  const std::size_t upto = text_.size() - std::min(end.size() - 1, text_.size() - pos_);
  if (keep) out_.append(text_, pos_, upto - pos_);
  pos_ = upto;
  if (!Ensure(end.size())) {  // never closed: what is left is taken as it is
    if (keep) out_.append(text_, pos_, std::string::npos);
    pos_ = text_.size();
    state_ = State::Text;
  }
  return false;
}

void MarkupCleaner::SkipDocumentType() {
  while (pos_ < text_.size()) {
    const char c = text_[pos_++];
    if (quote_) {
      if (c == quote_) quote_ = 0;
    } else if (c == '"' || c == '\'') {
      quote_ = c;
    } else if (c == '[') {
      ++subsetDepth_;
    } else if (c == ']') {
      subsetDepth_ = std::max(0, subsetDepth_ - 1);
    } else if (c == '>' && subsetDepth_ == 0) {
      state_ = State::Text;
      return;
    }
  }
}

void MarkupCleaner::Step() {
  while (out_.size() < kPiece) {
    if (pos_ >= text_.size() && !Ensure(1)) {
      finished_ = true;
      return;
    }
    switch (state_) {
      case State::Text: {
        std::size_t k = pos_;
        const std::size_t n = text_.size();
        while (k < n && text_[k] != '<' && text_[k] != '&') ++k;
        if (k > pos_) {
          if (prolog_ && std::all_of(text_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                     text_.begin() + static_cast<std::ptrdiff_t>(k), IsAsciiSpace)) {
            pos_ = k;
            break;
          }
          prolog_ = false;
          out_.append(text_, pos_, k - pos_);
          pos_ = k;
        } else if (text_[pos_] == '&') {
          Reference();
        } else {
          Markup();
        }
        break;
      }
      case State::Comment: CopyUntil("-->", true); break;
      case State::CData: CopyUntil("]]>", true); break;
      case State::Instruction: CopyUntil("?>", true); break;
      case State::Declaration: CopyUntil("?>", false); break;
      case State::DocumentType: SkipDocumentType(); break;
    }
  }
}

std::size_t MarkupCleaner::Read(std::uint8_t* buffer, std::size_t size) {
  while (outPos_ >= out_.size()) {
    out_.clear();
    outPos_ = 0;
    if (finished_) return 0;
    Step();
  }
  const std::size_t n = std::min(size, out_.size() - outPos_);
  std::memcpy(buffer, out_.data() + outPos_, n);
  outPos_ += n;
  return n;
}

}  // namespace dockline::convert
