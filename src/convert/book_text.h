#pragma once
// E-books (.txt) and lyrics (.lrc) for the device, which reads them as GBK.
//
// Files in GBK (or plain ASCII) were the rule when the device was made and go
// across byte for byte. A file is taken for Unicode only when it says so
// with a byte-order mark, or when it is valid UTF-8 throughout and holds at
// least one multi-byte character: GBK prose almost never passes that test,
// and ASCII, which passes it trivially, needs no change.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "convert/page_encoding.h"

namespace dockline::convert {

// Gbk: leave the bytes as they are.
PageSniff SniffBookText(std::span<const std::uint8_t> bytes);

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF)
// with at least one character of more than one byte.
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
