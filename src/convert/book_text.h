#pragma once
// E-books (.txt) and lyrics (.lrc) for the device, which reads them as GBK.
//
// Files in GBK (or plain ASCII) were the rule when the device was made and go
// across byte for byte. A file is taken for Unicode when it says so with a
// byte-order mark, or when it reads as UTF-8 but for a few stray bytes: at
// least one multi-byte character, and at most one byte that is no part of a
// well-formed character per kUtf8CharactersPerStrayByte multi-byte
// characters. A book saved as UTF-8 that caught one Latin-1 "é" on the way
// stays readable (the stray byte becomes '?', counted as the characters GBK
// lacks are), while GBK prose, which breaks UTF-8's rules every few bytes,
// stays GBK however long a run of it happens to look like UTF-8. ASCII
// passes trivially and needs no change.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "convert/page_encoding.h"

namespace dockline::convert {

inline constexpr std::size_t kUtf8CharactersPerStrayByte = 1000;

// Gbk: leave the bytes as they are.
PageSniff SniffBookText(std::span<const std::uint8_t> bytes);

// UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) with at
// least one character of more than one byte and no more stray bytes than
// the rule above allows.
bool IsUnicodeUtf8(std::span<const std::uint8_t> bytes);

struct BookTextResult {
  enum Status { Unchanged, Converted, Unreadable, NotWritten } status = Unchanged;
  std::size_t replaced = 0;  // characters GBK lacks, written as '?'
  std::uint32_t error = 0;   // the system's code for Unreadable and NotWritten
};

// Reads `sourcePath`; a Unicode text is written to `textPath` as GBK, one in
// GBK is left alone (nothing is written, the source is what goes across).
BookTextResult ConvertBookText(const std::string& sourcePath, const std::string& textPath);

}  // namespace dockline::convert
