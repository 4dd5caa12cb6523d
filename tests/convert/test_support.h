#pragma once
// Helpers of the conversion tests: bitmaps built in code, a scratch folder
// with a Notifier that records what the user would have been shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "support/scratch_folder.h"

namespace dockline::convert::testutil {

using Bytes = std::vector<std::uint8_t>;

inline void PutLe(Bytes& b, std::size_t at, std::uint64_t v, int n = 4) {
  for (int k = 0; k < n; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

struct BitmapLayout {
  explicit BitmapLayout(int b = 24, std::int32_t w = 1, std::int32_t h = 1) : bits(b), width(w), height(h) {}
  int bits;
  std::int32_t width;
  std::int32_t height;  // positive: stored bottom-up
  std::uint32_t headerSize = 40;  // 12: the core header, 16-bit sizes and 3-byte palette entries
  std::uint32_t compression = 0;
  std::vector<std::uint32_t> masks;  // red, green, blue (, alpha): inside the header or right after it
  std::uint32_t coloursUsed = 0;
  std::vector<std::array<std::uint8_t, 4>> palette;  // blue, green, red, spare
  std::size_t gapBeforePixels = 0;
  std::size_t trailing = 0;  // bytes after the pixels
  std::vector<std::uint8_t> runs;  // when set, the pixel data as it stands
};

// pixel(x, y), y = 0 the top row, gives a palette index for 1/4/8 bits, the
// raw value for 16 bits and bit fields, 0xRRGGBB for 24 and 32 bits.
inline Bytes BuildBitmap(const BitmapLayout& s, const std::function<std::uint32_t(int, int)>& pixel = {}) {
  const bool core = s.headerSize == 12;
  const std::size_t rows = static_cast<std::size_t>(std::abs(static_cast<std::int64_t>(s.height)));
  const std::size_t stride = static_cast<std::size_t>((s.bits * static_cast<std::int64_t>(s.width) + 31) / 32 * 4);
  const std::size_t entry = core ? 3 : 4;
  const std::size_t paletteAt = std::max<std::size_t>(14 + s.headerSize, s.masks.empty() ? 0 : 54 + 4 * s.masks.size());
  const std::size_t pixelsAt = paletteAt + entry * s.palette.size() + s.gapBeforePixels;
  const std::size_t data = s.runs.empty() ? rows * stride : s.runs.size();
  const std::size_t size = pixelsAt + data + s.trailing;
  Bytes b(size, 0x5A);  // filler the reader must skip: larger headers' fields, gaps, trailing bytes
  std::fill_n(b.begin(), std::min<std::size_t>(size, core ? 26 : 54), 0);
  b[0] = 'B', b[1] = 'M';
  const int n = core ? 2 : 4;  // the core header's sizes are 16 bits
  PutLe(b, 2, size), PutLe(b, 10, pixelsAt), PutLe(b, 14, s.headerSize);
  PutLe(b, 18, static_cast<std::uint32_t>(s.width), n), PutLe(b, 18 + n, static_cast<std::uint32_t>(s.height), n);
  PutLe(b, 18 + 2 * n, 1, 2), PutLe(b, 20 + 2 * n, s.bits, 2);
  if (!core) PutLe(b, 30, s.compression), PutLe(b, 46, s.coloursUsed);
  for (std::size_t k = 0; k < s.masks.size(); ++k) PutLe(b, 54 + 4 * k, s.masks[k]);
  for (std::size_t k = 0; k < s.palette.size(); ++k) std::copy_n(s.palette[k].begin(), entry, b.begin() + paletteAt + entry * k);
  if (!s.runs.empty()) return std::copy(s.runs.begin(), s.runs.end(), b.begin() + pixelsAt), b;
  std::fill(b.begin() + pixelsAt, b.begin() + pixelsAt + rows * stride, 0);
  for (std::size_t y = 0; y < rows; ++y) {
    std::uint8_t* row = b.data() + pixelsAt + (s.height < 0 ? y : rows - 1 - y) * stride;
    for (int x = 0; x < s.width; ++x) {
      const std::uint32_t v = pixel(x, static_cast<int>(y));
      const int at = x * s.bits / 8, shift = 8 - s.bits - x * s.bits % 8;  // leftmost pixel in the high bits
      if (s.bits < 8) row[at] |= static_cast<std::uint8_t>((v & ((1u << s.bits) - 1)) << shift);
      // Whole bytes, little-endian; without bit fields the fourth byte of 32 bits must be ignored by the reader.
      for (int k = 0; k < s.bits / 8; ++k)
        row[at + k] = static_cast<std::uint8_t>(k == 3 && s.compression == 0 ? 0xEE : v >> 8 * k);
    }
  }
  return b;
}

inline std::array<std::uint8_t, 4> GreyEntry(std::uint8_t g, std::uint8_t spare = 0) { return {g, g, g, spare}; }

using dockline::testing::RecordingNotifier;

// A fresh folder per test with a Chinese name (see support/scratch_folder.h).
class ScratchTest : public dockline::testing::ScratchFolder {
 protected:
  dockline::testing::RecordingNotifier notifier;
};

}  // namespace dockline::convert::testutil
