#include "text/gbk_table.h"

#include <memory>
#include <string>

#include "text/encoding.h"

namespace dockline::text {
namespace {

using Table = std::array<std::uint16_t, 0x10000>;

constexpr std::size_t kBlock = 32;  // UTF-16 units: 16 characters with their line feeds

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Windows gives the private-use characters GBK's user-defined codes, which
// mean nothing to the device (on a web page they are mostly icon-font
// glyphs); POSIX leaves them out. They are left out here too.
bool IsPrivateUse(char32_t c) { return c >= 0xE000 && c <= 0xF8FF; }

// Each GBK answer split back out of one conversion of many characters, each
// followed by a line feed. A line feed is never part of a GBK character (a
// trail byte is 0x40 or above), so the pieces come out one per character.
template <typename Piece>
void ForEachPiece(std::string_view joined, Piece piece) {
  for (std::size_t at = 0; at < joined.size();) {
    // A line feed's own piece is the line feed: the one right after it ends it.
    std::size_t end = joined.find('\n', joined[at] == '\n' ? at + 1 : at);
    if (end == std::string_view::npos) end = joined.size();
    if (!piece(joined.substr(at, end - at))) return;
    at = end + 1;
  }
}

std::unique_ptr<Table> Build() {
  auto table = std::make_unique<Table>();
  table->fill(kNotInGbk);
  std::u16string all;
  all.reserve(0x20000);
  for (char32_t c = 0; c < 0x10000; ++c) {
    if (IsSurrogate(c)) continue;
    all.push_back(static_cast<char16_t>(c));
    all.push_back(u'\n');
  }
  // In small blocks: iconv's cost for each character it cannot convert
  // grows with the input that follows it (a whole block at once takes
  // seconds, blocks of 16 characters some 25 ms).
  std::string answers;
  for (std::size_t at = 0; at < all.size(); at += kBlock)
    answers += Utf8ToGbk(Utf16ToUtf8(std::u16string_view(all).substr(at, kBlock)));
  std::size_t k = 0;
  ForEachPiece(answers, [&](std::string_view piece) {
    if (k * 2 >= all.size()) return false;
    const char16_t c = all[2 * k++];
    const auto b0 = static_cast<unsigned char>(piece.empty() ? 0 : piece[0]);
    // '?' answers for every character GBK lacks; only '?' itself keeps it.
    if (piece.size() == 1 && b0 < 0x81 && (b0 != '?' || c == u'?'))
      (*table)[c] = b0;
    else if (piece.size() == 2 && IsGbkLeadByte(b0) && static_cast<unsigned char>(piece[1]) >= 0x40)
      (*table)[c] = static_cast<std::uint16_t>(b0 << 8 | static_cast<unsigned char>(piece[1]));
    return true;
  });

  // Windows answers some characters GBK lacks with a look-alike ('2' for
  // superscript two); POSIX answers '?'. Keeping only what decodes back to
  // the same character makes every platform give the same bytes.
  std::u16string mapped;
  std::string gbk;
  for (char32_t c = 0x80; c < 0x10000; ++c) {
    const std::uint16_t code = (*table)[c];
    if (code == kNotInGbk) continue;
    if (IsPrivateUse(c)) {
      (*table)[c] = kNotInGbk;
      continue;
    }
    mapped.push_back(static_cast<char16_t>(c));
    if (code >= 0x100) gbk.push_back(static_cast<char>(code >> 8));
    gbk.push_back(static_cast<char>(code & 0xFF));
    gbk.push_back('\n');
  }
  k = 0;
  ForEachPiece(GbkToUtf8(gbk), [&](std::string_view piece) {
    if (k >= mapped.size()) return false;
    const char16_t c = mapped[k++];
    if (Utf8ToUtf16(piece) != std::u16string(1, c)) (*table)[c] = kNotInGbk;
    return true;
  });
  return table;
}

}  // namespace

const Table& UnicodeToGbkTable() {
  static const std::unique_ptr<Table> table = Build();
  return *table;
}

}  // namespace dockline::text
