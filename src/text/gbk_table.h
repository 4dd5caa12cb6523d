#pragma once
// Unicode → GBK one character at a time, for text too large to convert
// through a string per call (web pages of many megabytes).

#include <array>
#include <cstdint>

namespace dockline::text {

// The table's entry for a BMP character GBK cannot hold.
constexpr std::uint16_t kNotInGbk = 0xFFFF;

// Entry c holds the GBK bytes of U+c: one byte (< 0x100) or lead byte << 8
// | trail byte, or kNotInGbk. Built once on first use from Utf8ToGbk,
// keeping only the answers that GbkToUtf8 turns back into U+c, so that it
// holds the same on every platform (Windows would otherwise answer some
// characters GBK lacks with look-alikes). Surrogate code units and
// private-use characters are kNotInGbk. Safe to call from any thread.
const std::array<std::uint16_t, 0x10000>& UnicodeToGbkTable();

}  // namespace dockline::text
