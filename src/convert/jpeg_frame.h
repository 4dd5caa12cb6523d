#pragma once
// What a JPEG's frame header tells before any of its pixels is decoded, and
// what that costs. A baseline JPEG decodes a band of rows at a time; one
// whose scans each carry part of every pixel (progressive, or several
// scans) must keep the whole picture's DCT coefficients until the last scan,
// whatever size it is scaled to: that is sized here, from the header, so
// such a file can be refused before a byte is allocated.

#include <cstdint>
#include <span>

#include "convert/picture_decoder.h"

namespace dockline::convert {

struct JpegSampling {
  int horizontal = 1;  // 1..4
  int vertical = 1;
};

// Bytes the whole picture's coefficients take: per component its blocks of
// 8 × 8 (rounded up to whole blocks of its sampling), 64 coefficients of
// two bytes each, as libjpeg lays them out.
std::uint64_t WholeCoefficientBytes(std::uint32_t width, std::uint32_t height, std::span<const JpegSampling> components);

// The share of the decode's budget the coefficients may take; the rest is
// the library's own rows and tables and our fit.
inline constexpr std::uint64_t kCoefficientBudget = kDecodeMemoryBudget / 4 * 3;

}  // namespace dockline::convert
