#include "convert/page_encoding.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "text/encoding.h"
#include "text/gbk_table.h"

namespace dockline::convert {
namespace {

// ---- What the page declares -------------------------------------------
//
// The look for a declaration follows the way browsers pre-scan a page:
// comments and the attributes of other tags are stepped over, so that a
// "charset" in a comment or in an attribute value of another tag never counts.

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool StartsWithNoCase(std::string_view s, std::size_t pos, std::string_view lower) {
  return s.size() - std::min(pos, s.size()) >= lower.size() &&
         text::EqualsIgnoreAsciiCase(s.substr(pos, lower.size()), lower);
}

// Whether a declared name is UTF-8, or UTF-16: bytes that spell a
// declaration in ASCII are not UTF-16, whatever they say, so that too is
// read as UTF-8, as browsers do.
bool NamesUtf8(std::string_view label) {
  while (!label.empty() && IsSpace(label.front())) label.remove_prefix(1);
  while (!label.empty() && IsSpace(label.back())) label.remove_suffix(1);
  for (std::string_view name : {"utf-8", "utf8", "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "x-unicode20utf8",
                                "utf-16", "utf-16le", "utf-16be", "ucs-2", "iso-10646-ucs-2", "csunicode", "unicode",
                                "unicodefeff", "unicodefffe"})
    if (text::EqualsIgnoreAsciiCase(label, name)) return true;
  return false;
}

struct Attribute {
  std::string name;  // lower case
  std::string value;
};

// Reads one attribute of a tag from `pos`, leaving `pos` after it; none at
// the tag's '>' or the end of the window.
std::optional<Attribute> NextAttribute(std::string_view s, std::size_t& pos) {
  while (pos < s.size() && (IsSpace(s[pos]) || s[pos] == '/')) ++pos;
  if (pos >= s.size() || s[pos] == '>') return std::nullopt;
  Attribute a;
  for (;; ++pos) {
    if (pos >= s.size()) return std::nullopt;
    const char c = s[pos];
    if (c == '=' && !a.name.empty()) break;
    if (IsSpace(c)) {
      while (pos < s.size() && IsSpace(s[pos])) ++pos;
      if (pos >= s.size()) return std::nullopt;
      if (s[pos] != '=') return a;
      break;
    }
    if (c == '/' || c == '>') return a;
    a.name.push_back(text::AsciiLower(c));
  }
  ++pos;  // the '='
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  if (pos >= s.size()) return std::nullopt;
  if (s[pos] == '"' || s[pos] == '\'') {
    const std::size_t close = s.find(s[pos], pos + 1);
    if (close == std::string_view::npos) return std::nullopt;
    a.value = s.substr(pos + 1, close - pos - 1);
    pos = close + 1;
    return a;
  }
  const std::size_t start = pos;
  while (pos < s.size() && !IsSpace(s[pos]) && s[pos] != '>') ++pos;
  if (pos >= s.size()) return std::nullopt;
  a.value = s.substr(start, pos - start);
  return a;
}

// The charset named in a Content-Type value such as "text/html; charset=utf-8".
std::optional<std::string_view> CharsetOfContentType(std::string_view v) {
  for (std::size_t pos = 0;;) {
    std::size_t at = std::string_view::npos;
    for (std::size_t k = pos; k + 7 <= v.size(); ++k)
      if (StartsWithNoCase(v, k, "charset")) {
        at = k;
        break;
      }
    if (at == std::string_view::npos) return std::nullopt;
    pos = at + 7;
    while (pos < v.size() && IsSpace(v[pos])) ++pos;
    if (pos >= v.size() || v[pos] != '=') continue;
    ++pos;
    while (pos < v.size() && IsSpace(v[pos])) ++pos;
    if (pos >= v.size()) return std::nullopt;
    if (v[pos] == '"' || v[pos] == '\'') {
      const std::size_t close = v.find(v[pos], pos + 1);
      if (close == std::string_view::npos) return std::nullopt;
      return v.substr(pos + 1, close - pos - 1);
    }
    const std::size_t start = pos;
    while (pos < v.size() && !IsSpace(v[pos]) && v[pos] != ';') ++pos;
    return v.substr(start, pos - start);
  }
}

// A <meta> whose attributes start at `pos`: its charset, if it declares one.
std::optional<std::string> MetaCharset(std::string_view s, std::size_t& pos) {
  std::vector<std::string> seen;  // a repeated attribute does not count
  bool pragma = false;
  std::optional<std::string> charset;
  bool needsPragma = false;
  while (auto a = NextAttribute(s, pos)) {
    if (std::find(seen.begin(), seen.end(), a->name) != seen.end()) continue;
    seen.push_back(a->name);
    if (a->name == "http-equiv") {
      pragma = pragma || text::EqualsIgnoreAsciiCase(a->value, "content-type");
    } else if (a->name == "content" && !charset) {
      if (auto named = CharsetOfContentType(a->value)) {
        charset = std::string(*named);
        needsPragma = true;
      }
    } else if (a->name == "charset") {
      charset = a->value;
      needsPragma = false;
    }
  }
  // A tag cut off by the end of the window is not a declaration yet.
  if (pos >= s.size() || s[pos] != '>') return std::nullopt;
  if (needsPragma && !pragma) return std::nullopt;
  return charset;
}

// The encoding named in the inside of <?xml version="1.0" encoding="UTF-8"?>.
std::optional<std::string_view> XmlEncoding(std::string_view decl) {
  const std::size_t at = decl.find("encoding");
  if (at == std::string_view::npos) return std::nullopt;
  std::size_t pos = at + 8;
  while (pos < decl.size() && IsSpace(decl[pos])) ++pos;
  if (pos >= decl.size() || decl[pos] != '=') return std::nullopt;
  ++pos;
  while (pos < decl.size() && IsSpace(decl[pos])) ++pos;
  if (pos >= decl.size() || (decl[pos] != '"' && decl[pos] != '\'')) return std::nullopt;
  const std::size_t close = decl.find(decl[pos], pos + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return decl.substr(pos + 1, close - pos - 1);
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The first declared charset, if any, in `s` (the page's first bytes).
std::optional<std::string> DeclaredCharset(std::string_view s) {
  std::size_t pos = 0;
  while ((pos = s.find('<', pos)) != std::string_view::npos) {
    if (s.compare(pos, 4, "<!--") == 0) {
      const std::size_t end = s.find("-->", pos + 2);
      if (end == std::string_view::npos) return std::nullopt;
      pos = end + 3;
    } else if (StartsWithNoCase(s, pos, "<meta") && pos + 5 < s.size() && (IsSpace(s[pos + 5]) || s[pos + 5] == '/')) {
      pos += 5;
      if (auto charset = MetaCharset(s, pos)) return charset;
    } else if (s.compare(pos, 5, "<?xml") == 0 && pos + 5 < s.size() && IsSpace(s[pos + 5])) {
      const std::size_t end = s.find('>', pos);
      if (end == std::string_view::npos) return std::nullopt;
      if (auto named = XmlEncoding(s.substr(pos + 5, end - pos - 5))) return std::string(*named);
      pos = end + 1;
    } else if ((pos + 1 < s.size() && IsLetter(s[pos + 1])) ||
               (pos + 2 < s.size() && s[pos + 1] == '/' && IsLetter(s[pos + 2]))) {
      // Another tag: its attribute values may hold '>' or what looks like a declaration.
      pos += 1;
      while (pos < s.size() && !IsSpace(s[pos]) && s[pos] != '>') ++pos;
      while (NextAttribute(s, pos)) {
      }
    } else if (pos + 1 < s.size() && (s[pos + 1] == '!' || s[pos + 1] == '/' || s[pos + 1] == '?')) {
      pos = s.find('>', pos);
      if (pos == std::string_view::npos) return std::nullopt;
    } else {
      ++pos;
    }
  }
  return std::nullopt;
}

// ---- GBK from UTF-8 and UTF-16 ----------------------------------------

using GbkTable = std::array<std::uint16_t, 0x10000>;

// Writes the GBK bytes of `c` at out[o]; '?' for what GBK lacks, U+FFFD
// (which stands for an ill-formed sequence) included, counted in `replaced`.
inline void PutGbk(const GbkTable& gbk, char32_t c, std::uint8_t* out, std::size_t& o, std::size_t& replaced) {
  const std::uint16_t code = c < 0x10000 ? gbk[c] : text::kNotInGbk;
  if (code == text::kNotInGbk) {
    out[o++] = '?';
    ++replaced;
  } else if (code < 0x100) {
    out[o++] = static_cast<std::uint8_t>(code);
  } else {
    out[o++] = static_cast<std::uint8_t>(code >> 8);
    out[o++] = static_cast<std::uint8_t>(code);
  }
}

// Every character is read before its GBK bytes are written, and none takes
// more bytes in GBK than in UTF-8 or UTF-16, so both loops can run in place.

std::size_t Utf8ToGbk(const std::uint8_t* in, std::size_t size, std::uint8_t* out, std::size_t& replaced) {
  const GbkTable& gbk = text::UnicodeToGbkTable();
  const std::string_view page(reinterpret_cast<const char*>(in), size);
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < size) {
    // Markup is ASCII and most of a page: move it a word at a time.
    const std::size_t start = i;
    for (std::uint64_t word; i + 8 <= size; i += 8) {
      std::memcpy(&word, in + i, 8);
      if (word & 0x8080808080808080u) break;
    }
    while (i < size && in[i] < 0x80) ++i;
    if (i > start) {
      if (out + o != in + start) std::memmove(out + o, in + start, i - start);
      o += i - start;
    }
    // Chinese text comes in runs of three-byte characters: those whose lead
    // byte allows every continuation byte are decoded here, the rest (and
    // whatever is ill-formed) by the general decoder.
    while (i < size && in[i] >= 0x80) {
      const std::uint8_t lead = in[i];
      char32_t c;
      if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && size - i >= 3 && (in[i + 1] & 0xC0) == 0x80 &&
          (in[i + 2] & 0xC0) == 0x80) {
        c = static_cast<char32_t>((lead & 0x0F) << 12 | (in[i + 1] & 0x3F) << 6 | (in[i + 2] & 0x3F));
        i += 3;
      } else {
        c = text::DecodeUtf8(page, i);
      }
      PutGbk(gbk, c, out, o, replaced);
    }
  }
  return o;
}

std::size_t Utf16ToGbk(const std::uint8_t* in, std::size_t size, bool bigEndian, std::uint8_t* out,
                       std::size_t& replaced) {
  const GbkTable& gbk = text::UnicodeToGbkTable();
  const auto unitAt = [&](std::size_t k) -> char16_t {
    return static_cast<char16_t>(bigEndian ? in[k] << 8 | in[k + 1] : in[k + 1] << 8 | in[k]);
  };
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + 1 < size) {
    const char16_t unit = unitAt(i);
    i += 2;
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      // A pair stands for a character beyond GBK; a lone half is ill-formed. Either is one '?'.
      if (unit <= 0xDBFF && i + 1 < size && unitAt(i) >= 0xDC00 && unitAt(i) <= 0xDFFF) i += 2;
      out[o++] = '?';
      ++replaced;
    } else if (unit < 0x80) {
      out[o++] = static_cast<std::uint8_t>(unit);
    } else {
      PutGbk(gbk, unit, out, o, replaced);
    }
  }
  if (i < size) {  // half a code unit at the end
    out[o++] = '?';
    ++replaced;
  }
  return o;
}

}  // namespace

PageSniff SniffPageEncoding(std::string_view page) {
  if (page.starts_with("\xEF\xBB\xBF")) return {PageEncoding::Utf8, 3};
  if (page.starts_with("\xFF\xFE")) return {PageEncoding::Utf16Le, 2};
  if (page.starts_with("\xFE\xFF")) return {PageEncoding::Utf16Be, 2};
  if (const auto charset = DeclaredCharset(page.substr(0, kDeclarationWindow)); charset && NamesUtf8(*charset))
    return {PageEncoding::Utf8, 0};
  return {};
}

std::size_t PageToGbk(const std::uint8_t* in, std::size_t size, PageSniff sniff, std::uint8_t* out,
                      std::size_t* replaced) {
  const std::size_t skip = std::min(sniff.markLength, size);
  in += skip;
  size -= skip;
  std::size_t ignored = 0;
  std::size_t& count = replaced ? *replaced : ignored;
  switch (sniff.encoding) {
    case PageEncoding::Utf8: return Utf8ToGbk(in, size, out, count);
    case PageEncoding::Utf16Le: return Utf16ToGbk(in, size, false, out, count);
    case PageEncoding::Utf16Be: return Utf16ToGbk(in, size, true, out, count);
    case PageEncoding::Gbk: break;
  }
  if (out != in) std::memmove(out, in, size);
  return size;
}

}  // namespace dockline::convert
