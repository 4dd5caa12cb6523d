#pragma once
// Unicode → GBK one character at a time, for text too large to convert
// through a string per call (web pages of many megabytes).

#include <array>
#include <cstdint>

namespace dockline::text {

// The table's entry for a BMP character GBK cannot hold.
constexpr std::uint16_t kNotInGbk = 0xFFFF;

// Entry c holds the GBK bytes of U+c exactly as Utf8ToGbk gives them: one
// byte (< 0x100) or lead byte << 8 | trail byte, or kNotInGbk. Surrogate
// code units are kNotInGbk. Built once from Utf8ToGbk on first use, so it
// can never disagree with it; safe to call from any thread.
const std::array<std::uint16_t, 0x10000>& UnicodeToGbkTable();

}  // namespace dockline::text
