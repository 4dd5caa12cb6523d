#include "text/gbk_table.h"

#include <memory>
#include <string>

#include "text/encoding.h"

namespace dockline::text {
namespace {

using Table = std::array<std::uint16_t, 0x10000>;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

std::unique_ptr<Table> Build() {
  auto table = std::make_unique<Table>();
  table->fill(kNotInGbk);
  // One conversion of every character, each followed by a line feed. A
  // line feed is never part of a GBK character (trail bytes start at
  // 0x40), so the answer splits back into one piece per character.
  std::u16string all;
  all.reserve(0x20000);
  for (char32_t c = 0; c < 0x10000; ++c) {
    if (IsSurrogate(c)) continue;
    all.push_back(static_cast<char16_t>(c));
    all.push_back(u'\n');
  }
  const std::string gbk = Utf8ToGbk(Utf16ToUtf8(all));
  std::size_t at = 0;
  for (char32_t c = 0; c < 0x10000 && at < gbk.size(); ++c) {
    if (IsSurrogate(c)) continue;
    std::size_t end = gbk.find('\n', c == '\n' ? at + 1 : at);
    if (end == std::string::npos) end = gbk.size();
    const auto* piece = reinterpret_cast<const unsigned char*>(gbk.data() + at);
    const std::size_t length = end - at;
    // "?" answers for every character GBK lacks; only '?' itself keeps it.
    if (length == 1 && (piece[0] != '?' || c == '?'))
      (*table)[c] = piece[0];
    else if (length == 2)
      (*table)[c] = static_cast<std::uint16_t>(piece[0] << 8 | piece[1]);
    at = end + 1;
  }
  return table;
}

}  // namespace

const Table& UnicodeToGbkTable() {
  static const std::unique_ptr<Table> table = Build();
  return *table;
}

}  // namespace dockline::text
