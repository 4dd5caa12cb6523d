#pragma once
// Helpers of the conversion tests: bitmaps built in code, a scratch folder
// and a Notifier that records what the user would have been shown.
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/notifier.h"

namespace dockline::convert::testutil {

using Bytes = std::vector<std::uint8_t>;

inline void PutLe(Bytes& b, std::size_t at, std::uint64_t v, int n) {
  for (int k = 0; k < n; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

struct BitmapSpec {
  int bits = 24;
  std::int32_t width = 1;
  std::int32_t height = 1;       // positive: stored bottom-up
  std::uint32_t headerSize = 40;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
  std::vector<std::array<std::uint8_t, 4>> palette;  // blue, green, red, spare
  std::size_t gapBeforePixels = 0;  // bytes between palette and pixels
  std::size_t trailing = 0;         // bytes after the pixels
};

// pixel(x, y), y = 0 the top row, gives a palette index for 1/4/8 bits, the
// raw value for 16 bits, 0xRRGGBB for 24 and 32 bits.
inline Bytes BuildBitmap(const BitmapSpec& s, const std::function<std::uint32_t(int, int)>& pixel) {
  const std::size_t rows = static_cast<std::size_t>(s.height < 0 ? -static_cast<std::int64_t>(s.height) : s.height);
  const std::size_t stride = static_cast<std::size_t>((s.bits * static_cast<std::int64_t>(s.width) + 31) / 32 * 4);
  const std::size_t paletteAt = 14 + s.headerSize;
  const std::size_t pixelsAt = paletteAt + 4 * s.palette.size() + s.gapBeforePixels;
  const std::size_t size = pixelsAt + rows * stride + s.trailing;
  Bytes b(size, 0);
  b[0] = 'B', b[1] = 'M';
  PutLe(b, 2, size, 4);
  PutLe(b, 10, pixelsAt, 4);
  PutLe(b, 14, s.headerSize, 4);
  PutLe(b, 18, static_cast<std::uint32_t>(s.width), 4);
  PutLe(b, 22, static_cast<std::uint32_t>(s.height), 4);
  PutLe(b, 26, 1, 2);
  PutLe(b, 28, static_cast<std::uint32_t>(s.bits), 2);
  PutLe(b, 30, s.compression, 4);
  PutLe(b, 46, s.coloursUsed, 4);
  for (std::size_t k = 54; k < paletteAt; ++k) b[k] = 0x11;  // the larger headers' extra fields
  for (std::size_t k = 0; k < s.palette.size(); ++k)
    for (int c = 0; c < 4; ++c) b[paletteAt + 4 * k + c] = s.palette[k][c];
  for (std::size_t k = paletteAt + 4 * s.palette.size(); k < pixelsAt; ++k) b[k] = 0xA5;  // gap filler
  for (std::size_t k = pixelsAt + rows * stride; k < size; ++k) b[k] = 0x5A;              // trailing filler
  for (std::size_t y = 0; y < rows; ++y) {
    const std::size_t stored = s.height < 0 ? y : rows - 1 - y;
    std::uint8_t* row = b.data() + pixelsAt + stored * stride;
    for (int x = 0; x < s.width; ++x) {
      const std::uint32_t v = pixel(x, static_cast<int>(y));
      switch (s.bits) {
        case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<std::uint8_t>((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = static_cast<std::uint8_t>(v); break;
        default:  // 16, 24, 32 bits little-endian; the fourth byte of 32 is ignored by the reader
          for (int k = 0; k < s.bits / 8; ++k) row[x * s.bits / 8 + k] = static_cast<std::uint8_t>(k == 3 ? 0xEE : v >> 8 * k);
      }
    }
  }
  return b;
}

inline std::array<std::uint8_t, 4> GreyEntry(std::uint8_t g, std::uint8_t spare = 0) { return {g, g, g, spare}; }
inline std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 | b;
}
inline std::uint32_t GreyRgb(std::uint8_t g) { return Rgb(g, g, g); }

class RecordingNotifier : public platform::Notifier {
 public:
  void ShowMessage(std::string_view utf8) override { messages.emplace_back(utf8); }
  std::vector<std::string> messages;
};

// A fresh folder under the temporary folder, with a Chinese name so that
// every path the tests use goes through the Unicode file APIs.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::mt19937_64 rng(std::random_device{}() ^
                        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    path_ = platform::JoinPath(platform::TempFolder(), "dockline转换测试-" + std::to_string(rng() % 1000000000));
    ok_ = platform::MakeDirectory(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(Native(path_), ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool ok() const { return ok_; }
  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return platform::JoinPath(path_, name); }

  static std::filesystem::path Native(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
  }

 private:
  std::string path_;
  bool ok_ = false;
};

inline bool WriteText(const std::string& path, std::string_view bytes) {
  return platform::WriteWholeFile(path, bytes.data(), bytes.size());
}

inline std::string ReadText(const std::string& path) {
  platform::Bytes b;
  if (!platform::ReadWholeFile(path, b)) return "<unreadable>";
  return std::string(b.begin(), b.end());
}

}  // namespace dockline::convert::testutil
