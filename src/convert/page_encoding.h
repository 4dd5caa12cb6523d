#pragma once
// Which encoding a web page is written in, as far as the page itself says,
// and the turn of UTF-8 and UTF-16 pages into the GBK the device reads.
//
// Pages in GBK or GB2312 were the rule when the device was made and must
// keep converting byte for byte as they always have, so every page that
// does not plainly say UTF-8 or UTF-16 is taken to be GBK already.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dockline::convert {

enum class PageEncoding { Gbk, Utf8, Utf16Le, Utf16Be };

struct PageSniff {
  PageEncoding encoding = PageEncoding::Gbk;
  std::size_t markLength = 0;  // bytes of the byte-order mark, not part of the text
};

// Browsers look no further than this for a page's declaration.
constexpr std::size_t kDeclarationWindow = 1024;

// A byte-order mark at the start decides; else the first declaration in the
// first kDeclarationWindow bytes: <meta charset>, <meta http-equiv=
// "Content-Type" content="...; charset=...">, or an XML declaration's
// encoding. A page whose declaration reads as ASCII cannot be UTF-16, so a
// declared UTF-16 is taken as UTF-8, as browsers do.
PageSniff SniffPageEncoding(std::string_view page);

// Writes the page as GBK to `out`, dropping the mark, and answers the
// length written, which is never more than `size`: characters GBK lacks
// become '?', and so does each ill-formed sequence. `out` may equal `in`;
// otherwise the two must not overlap. A Gbk sniff copies the bytes as they are.
// `replaced`, when given, grows by the number of '?' put in.
std::size_t PageToGbk(const std::uint8_t* in, std::size_t size, PageSniff sniff, std::uint8_t* out,
                      std::size_t* replaced = nullptr);

}  // namespace dockline::convert
