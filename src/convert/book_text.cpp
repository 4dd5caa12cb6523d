#include "convert/book_text.h"

#include <cstring>
#include <new>

#include "platform/file_system.h"

namespace dockline::convert {

namespace {

// The length of the well-formed character at p[0] (n bytes available), or 0
// when p[0] begins none: then that one byte is a stray.
std::size_t Utf8Length(const std::uint8_t* p, std::size_t n) {
  const std::uint8_t lead = p[0];
  std::size_t extra;
  std::uint8_t lo = 0x80, hi = 0xBF;  // the allowed range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    if (lead == 0xE0) lo = 0xA0;  // overlong
    if (lead == 0xED) hi = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    if (lead == 0xF0) lo = 0x90;  // overlong
    if (lead == 0xF4) hi = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (n <= extra || p[1] < lo || p[1] > hi) return 0;
  for (std::size_t k = 2; k <= extra; ++k)
    if ((p[k] & 0xC0) != 0x80) return 0;
  return 1 + extra;
}

}  // namespace

bool IsUnicodeUtf8(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  const std::size_t n = bytes.size();
  std::size_t multiByte = 0, stray = 0;
  std::size_t i = 0;
  while (i < n) {
    // Most of a book is ASCII or runs of it: test a word at a time.
    if (std::uint64_t word; i + 8 <= n && (std::memcpy(&word, p + i, 8), (word & 0x8080808080808080u) == 0)) {
      i += 8;
      continue;
    }
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    if (const std::size_t length = Utf8Length(p + i, n - i)) {
      i += length;
      ++multiByte;
      continue;
    }
    ++i;
    // Given up as soon as the rest could not make up for it, even were it all
    // two-byte characters: GBK is told within its first few characters.
    if (++stray * kUtf8CharactersPerStrayByte > multiByte + (n - i) / 2) return false;
  }
  return multiByte > 0 && stray * kUtf8CharactersPerStrayByte <= multiByte;
}

PageSniff SniffBookText(std::span<const std::uint8_t> bytes) {
  const auto starts = [&](std::string_view mark) {
    return bytes.size() >= mark.size() && std::memcmp(bytes.data(), mark.data(), mark.size()) == 0;
  };
  if (starts("\xEF\xBB\xBF")) return {PageEncoding::Utf8, 3};
  if (starts("\xFF\xFE")) return {PageEncoding::Utf16Le, 2};
  if (starts("\xFE\xFF")) return {PageEncoding::Utf16Be, 2};
  if (IsUnicodeUtf8(bytes)) return {PageEncoding::Utf8, 0};
  return {};
}

BookTextResult ConvertBookText(const std::string& sourcePath, const std::string& textPath) {
  BookTextResult result;
  platform::Bytes text;
  try {
    if (!platform::ReadWholeFile(sourcePath, text)) {
      result.status = BookTextResult::Unreadable;
      result.error = platform::LastError();
      return result;
    }
  } catch (const std::bad_alloc&) {
    result.status = BookTextResult::Unreadable;
    return result;
  }
  const PageSniff sniff = SniffBookText(text);
  if (sniff.encoding == PageEncoding::Gbk) return result;
  // GBK never takes more bytes than UTF-8 or UTF-16 for the same text.
  text.resize(PageToGbk(text.data(), text.size(), sniff, text.data(), &result.replaced));
  if (!platform::WriteWholeFile(textPath, text)) {
    result.status = BookTextResult::NotWritten;
    result.error = platform::LastError();
    platform::RemoveFile(textPath);
    return result;
  }
  result.status = BookTextResult::Converted;
  return result;
}

}  // namespace dockline::convert
