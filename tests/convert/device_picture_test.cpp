#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "convert/bitmap_reader.h"
#include "convert/device_picture.h"
#include "test_support.h"

namespace dockline::convert {
namespace {

using namespace testutil;
using Levels = std::vector<std::uint8_t>;

Bytes Picture(const Bytes& bitmap) {
  Bytes out;
  BitmapToPicture(bitmap, out);
  return out;
}

// The picture a bitmap converts to, read back; fails the test if it did not convert.
DevicePicture Decoded(const Bytes& bitmap) {
  Bytes file;
  EXPECT_EQ(BitmapToPicture(bitmap, file), kPictureOk);
  DevicePicture p;
  EXPECT_EQ(DecodePicture(file, p), PictureDefect::None);
  return p;
}

// A picture file: magic, width, height, rows.
Bytes Ych(int w, int h, std::initializer_list<std::uint8_t> rows) {
  Bytes b(kPictureMagic.begin(), kPictureMagic.end());
  for (int v : {w, h}) b.insert(b.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
  b.insert(b.end(), rows);
  return b;
}

// 24-bit pixels of exactly the four device greys carry no error: each keeps its level.
Bytes FourGreys(int w, int h, const std::function<int(int, int)>& level) {
  return BuildBitmap(BitmapLayout(24, w, h), [&](int x, int y) { return 0x555555u * level(x, y); });
}

// 8 bits, 4 × 2 pixels, four palette entries: 54 + 16 + 8 = 78 bytes.
Bytes SmallBitmap() {
  BitmapLayout s(8, 4, 2);
  s.coloursUsed = 4;
  s.palette = {GreyEntry(0), GreyEntry(85), GreyEntry(170), GreyEntry(255)};
  return BuildBitmap(s, [](int x, int) { return static_cast<std::uint32_t>(x); });
}

TEST(PictureFile, PacksRowsLeftmostPixelHighWithSpareBitsSet) {
  EXPECT_EQ(Picture(FourGreys(1, 1, [](int, int) { return 3; })), Ych(1, 1, {0xFF}));
  EXPECT_EQ(Picture(FourGreys(1, 1, [](int, int) { return 0; })), Ych(1, 1, {0x3F}));
  // Levels 0 1 2 3 0 over 3 3 3 3 3: five pixels take two bytes a row.
  EXPECT_EQ(Picture(FourGreys(5, 2, [](int x, int y) { return y == 0 ? x % 4 : 3; })),
            Ych(5, 2, {0x1B, 0x3F, 0xFF, 0xFF}));
  EXPECT_EQ(Picture(FourGreys(7, 0, [](int, int) { return 0; })), Ych(7, 0, {}));
  EXPECT_EQ(Picture(FourGreys(0, 3, [](int, int) { return 0; })), Ych(0, 3, {}));
  EXPECT_EQ(Decoded(FourGreys(2048, 1, [](int, int) { return 0; })).width, 320) << "the widest bitmap taken is cropped";
  // A picture file is read no further than it goes and no larger than the screen.
  DevicePicture p;
  EXPECT_EQ(DecodePicture(Ych(5, 2, {0x1B, 0x3F, 0xFF}), p), PictureDefect::Truncated);
  EXPECT_EQ(DecodePicture(Ych(1, 241, {}), p), PictureDefect::BadSize);
}

TEST(Greys, ThresholdsAndErrorDiffusion) {
  // Rows of greys (24-bit, red = green = blue) and the levels they give.
  const std::vector<std::pair<std::vector<std::vector<int>>, Levels>> cases = {
      {{{42}}, {0}}, {{{43}}, {1}}, {{{127}}, {1}}, {{{128}}, {2}}, {{{212}}, {2}}, {{{213}}, {3}},
      // 128 → light grey, error −42; (7 × −42) >> 4 = −19 leaves 109: dark grey.
      {{{128, 128}}, {2, 1}},
      // −42 sends −14 below (56 → 42, black) and −3 below-right; the black pixel's
      // +42 adds 18 to its right: 27 − 3 + 18 = 42, black. Rounding toward zero
      // (−13, −2) would make either of them dark grey.
      {{{128, 104}, {56, 27}}, {2, 1, 0, 0}},
      // The right pixel's −42 sends (3 × −42) >> 4 = −8 down-left: 50 → 42, black.
      {{{85, 128}, {50, 39}}, {1, 2, 0, 1}},
  };
  for (const auto& [grey, levels] : cases) {
    const BitmapLayout s(24, static_cast<std::int32_t>(grey[0].size()), static_cast<std::int32_t>(grey.size()));
    const auto pixel = [&g = grey](int x, int y) { return 0x010101u * g[y][x]; };
    EXPECT_EQ(Decoded(BuildBitmap(s, pixel)).levels, levels) << "first grey " << grey[0][0];
  }
}

// Larger headers, gaps before the pixels, trailing bytes and top-down rows
// are all common in real files; none may change the picture.
TEST(Layout, HeaderSizeGapsAndOrientationDoNotChangeThePicture) {
  auto pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 0x9E3779B1u + y * 0x85EBCA77u); };
  for (int bits : {4, 16, 32}) {
    BitmapLayout plain(bits, 11, 6);
    for (int k = 0; bits == 4 && k < 16; ++k) plain.palette.push_back(GreyEntry(static_cast<std::uint8_t>(k * 17)));
    const Bytes reference = Picture(BuildBitmap(plain, pixel));
    ASSERT_FALSE(reference.empty());
    for (auto [header, gap, trailing, topDown] : std::vector<std::tuple<std::uint32_t, int, int, bool>>{
             {40, 0, 0, true}, {108, 6, 2, true}, {124, 3, 5, false}}) {
      BitmapLayout s = plain;
      s.headerSize = header, s.gapBeforePixels = gap, s.trailing = trailing, s.height = topDown ? -6 : 6;
      EXPECT_EQ(Picture(BuildBitmap(s, pixel)), reference) << bits << " bits, header " << header;
    }
  }
}

TEST(Headers, EachFaultGetsItsCodeInTheOrderChecked) {
  auto set = [](std::size_t at, std::uint32_t v, int n = 4) { return [=](Bytes& b) { PutLe(b, at, v, n); }; };
  auto cut = [](std::size_t n) { return [=](Bytes& b) { b.resize(n); PutLe(b, 2, n); }; };
  constexpr int ok = kPictureOk, damaged = kPictureDamaged, unsupported = kPictureUnsupported;
  const std::vector<std::tuple<const char*, std::function<void(Bytes&)>, int>> cases = {
      {"intact", [](Bytes&) {}, ok}, {"zero width", set(18, 0), ok}, {"fewer rows than stored", set(22, 1), ok},
      // The documented checks, in their order.
      {"size off by one", set(2, 79), damaged},
      {"size off, not BM", [](Bytes& b) { PutLe(b, 2, 77); b[1] = 'A'; }, damaged},
      {"not BM", [](Bytes& b) { b[1] = 'A'; }, unsupported},
      {"run-length", set(30, 1), unsupported}, {"bit fields", set(30, 3), unsupported},
      {"2 bits", set(28, 2, 2), unsupported}, {"width 2049", set(18, 2049), unsupported},
      // Hostile headers.
      {"width -4", set(18, -4u), unsupported}, {"height -2^31", set(22, 0x80000000u), unsupported},
      {"height -2^31, width 0", [](Bytes& b) { PutLe(b, 22, 0x80000000u); PutLe(b, 18, 0); }, unsupported},
      {"core header", set(14, 12), unsupported},
      {"257 colours", set(46, 257), unsupported}, {"2^32-1 colours", set(46, -1u), unsupported},
      {"pixels in the palette", set(10, 66), damaged}, {"pixels at the end", set(10, 78), damaged},
      {"pixels past the end", set(10, -1u), damaged}, {"height 3", set(22, 3), damaged},
      {"height -3", set(22, -3u), damaged}, {"height 2^31-1", set(22, 0x7FFFFFFFu), damaged},
      {"width 5", set(18, 5), damaged}, {"header size past the end", set(14, 0xFFFFFFF0u), damaged},
      {"41-byte header moves the palette onto the pixels", set(14, 41), damaged},
      {"cut to 20 bytes", cut(20), unsupported}, {"cut to 40 bytes", cut(40), damaged},
      {"cut to 2 bytes", [](Bytes& b) { b.resize(2); }, damaged}, {"empty", [](Bytes& b) { b.clear(); }, unsupported},
  };
  for (const auto& [name, damage, expected] : cases) {
    Bytes b = SmallBitmap(), out;
    damage(b);
    EXPECT_EQ(BitmapToPicture(b, out), expected) << name;
    EXPECT_EQ(out.empty(), expected != ok) << name;
  }
}

using ConvertFiles = ScratchTest;

TEST_F(ConvertFiles, WritesThePictureOrSaysWhyNotAndLeavesTheDestinationAsItWas) {
  Bytes damaged = SmallBitmap(), compressed = SmallBitmap();
  damaged.pop_back();
  PutLe(compressed, 30, 1);
  ASSERT_TRUE(platform::WriteWholeFile(Path("风景 照片.bmp"), SmallBitmap()));
  ASSERT_TRUE(platform::WriteWholeFile(Path("坏.bmp"), damaged));
  ASSERT_TRUE(platform::WriteWholeFile(Path("rle.bmp"), compressed));
  const std::string dst = Path("风景 照片.ych"), nowhere = platform::JoinPath(Path("不存在"), "a.ych");
  const Bytes picture = Picture(SmallBitmap());
  ASSERT_TRUE(ConvertBitmap(Path("风景 照片.bmp"), dst, notifier));
  EXPECT_EQ(Read(dst), std::string(picture.begin(), picture.end()));
  EXPECT_TRUE(notifier.messages.empty());

  for (const char* source : {"无.bmp", "坏.bmp", "rle.bmp"}) EXPECT_FALSE(ConvertBitmap(Path(source), dst, notifier));
  EXPECT_FALSE(ConvertBitmap(Path("风景 照片.bmp"), nowhere, notifier));
  EXPECT_EQ(notifier.messages, (std::vector<std::string>{Path("无.bmp") + "图片不存在！", Path("坏.bmp") + "文件损坏！",
                                                         Path("rle.bmp") + "文件格式不支持！", "保存图片" + nowhere + "失败！"}));
  EXPECT_EQ(Read(dst), std::string(picture.begin(), picture.end()));
  EXPECT_EQ(platform::FindFiles(Path("*")).size(), 4u);  // the three bitmaps and one picture
}

// What a reader hands over, as 0xRRGGBBAA, each pixel counted: one delivered
// twice or never shows.
struct Recorder : PictureSink {
  int width = 0, rows = 0;
  std::vector<std::uint32_t> rgba;
  std::vector<int> times;
  std::stop_source stop;
  bool stopAfterRow = false;
  bool Begin(int w, int h, int) override {
    width = w, rgba.assign(static_cast<std::size_t>(w) * h, 0), times.assign(rgba.size(), 0);
    return w > 0;
  }
  PictureSize Smallest() const override { return {}; }
  void Delivering(int, int) override {}
  void Pixels(int y, int x0, int step, int count, const std::uint8_t* p, PixelOrder order) override {
    for (int i = 0, n = order == PixelOrder::Rgb ? 3 : 4; i < count; ++i, p += n) {
      const std::size_t k = static_cast<std::size_t>(y) * width + x0 + i * step;
      rgba.at(k) = std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | (n == 4 ? p[3] : 255);
      ++times.at(k);
    }
    if (++rows, stopAfterRow) stop.request_stop();
  }
};

// A stop that comes while the first row is handed over ends the reading there.
void ExpectStopsAfterOneRow(const Bytes& file, const std::string& name) {
  Recorder r;
  r.stopAfterRow = true;
  EXPECT_EQ(FeedBitmap(file, r, r.stop.get_token()), DecodeStatus::Stopped) << name;
  EXPECT_EQ(r.rows, 1) << name;
}

constexpr std::uint32_t Rgba(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a = 255) {
  return r << 24 | g << 16 | b << 8 | a;
}
std::uint32_t Scaled(std::uint32_t v, std::uint32_t top) { return static_cast<std::uint32_t>(std::lround(v * 255.0 / top)); }

using BitmapFiles = ScratchTest;

// Every header and every uncompressed layout, stored both ways up, read from
// memory and from a file: the colours the pixels were made from come back.
TEST_F(BitmapFiles, EveryHeaderAndLayoutGivesThePixelsItWasMadeFrom) {
  constexpr int W = 7, H = 5;
  std::vector<std::array<std::uint8_t, 4>> palette;
  for (int k = 0; k < 11; ++k)
    palette.push_back({static_cast<std::uint8_t>(40 * k), static_cast<std::uint8_t>(250 - 23 * k), static_cast<std::uint8_t>(17 * k + 3), 0x77});
  struct Kind {
    BitmapLayout layout;
    std::vector<std::uint32_t> channels = {};  // red, green, blue (, alpha) as the pixels hold them; none: palette indices
    bool alpha = false;
  };
  const auto layout = [&](int bits, std::uint32_t header, std::size_t entries, std::uint32_t compression = 0,
                        std::vector<std::uint32_t> masks = {}) {
    BitmapLayout s(bits, W, H);
    s.headerSize = header, s.compression = compression, s.masks = std::move(masks);
    s.palette.assign(palette.begin(), palette.begin() + entries);
    s.coloursUsed = bits == 8 && header == 40 ? static_cast<std::uint32_t>(entries) : 0;
    return s;
  };
  const std::vector<std::uint32_t> rgb = {0xFF0000, 0xFF00, 0xFF}, argb = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                                   rgb555 = {0x7C00, 0x03E0, 0x001F}, rgb565 = {0xF800, 0x07E0, 0x001F},
                                   argb4444 = {0x0F00, 0x00F0, 0x000F, 0xF000}, rgb10 = {0x3FF, 0xFFC00, 0x3FF00000};
  const std::vector<Kind> kinds = {
      {layout(1, 40, 2)}, {layout(4, 40, 11)}, {layout(8, 40, 5)}, {layout(1, 12, 2)}, {layout(8, 12, 9)},
      {layout(24, 40, 0), rgb}, {layout(24, 12, 0), rgb}, {layout(32, 40, 0), rgb}, {layout(16, 40, 0), rgb555},
      {layout(32, 108, 0, 0, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}), rgb},  // masks count for nothing without fields
      {layout(16, 40, 0, 3, rgb565), rgb565},
      {layout(16, 40, 0, 3), rgb555},  // fields declared, masks left out, pixels right after the header
      {layout(16, 40, 0, 6, argb4444), argb4444, true}, {layout(32, 52, 0, 3, rgb10), rgb10},
      {layout(32, 124, 0, 3, argb), argb, true},
      {layout(32, 56, 0, 3, argb), rgb},  // alpha declared and never filled
  };
  // Channel c of (x, y) at its mask's width: 0 on the left, the largest value on the right.
  const auto value = [](int x, int y, std::size_t c, std::uint32_t mask) {
    const std::uint32_t top = mask >> std::countr_zero(mask);
    return x == 0 ? 0 : x == W - 1 ? top : (0x85EBCA77u * static_cast<std::uint32_t>(x + 8 * y + 40 * c)) >> 9 & top;
  };
  for (const Kind& k : kinds) {
    const std::string name = std::to_string(k.layout.bits) + " bits, header " + std::to_string(k.layout.headerSize) +
                             ", compression " + std::to_string(k.layout.compression);
    const auto index = [&](int x, int y) { return static_cast<std::uint32_t>(x + 3 * y) % (1u << k.layout.bits); };
    const auto raw = [&](int x, int y) {
      std::uint32_t v = k.channels.empty() ? index(x, y) : 0;
      for (std::size_t c = 0; c < k.channels.size(); ++c) v |= value(x, y, c, k.channels[c]) << std::countr_zero(k.channels[c]);
      return k.layout.bits == 16 && k.layout.compression == 0 ? v | (x & 1) << 15 : v;  // the top bit is no colour's
    };
    std::vector<std::uint32_t> want;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        std::uint32_t c[4] = {0, 0, 0, 255};  // indices past the palette show black
        if (k.channels.empty() && index(x, y) < k.layout.palette.size())
          for (int i = 0; i < 3; ++i) c[i] = k.layout.palette[index(x, y)][2 - i];
        for (std::size_t i = 0; i < (k.alpha ? 4 : k.channels.size() > 0 ? 3 : 0); ++i)
          c[i] = Scaled(value(x, y, i, k.channels[i]), k.channels[i] >> std::countr_zero(k.channels[i]));
        want.push_back(Rgba(c[0], c[1], c[2], c[3]));
      }
    for (const bool topDown : {false, true}) {
      if (topDown && k.layout.headerSize == 12) continue;  // 16-bit sizes, never negative
      BitmapLayout s = k.layout;
      s.height = topDown ? -H : H;
      const Bytes file = BuildBitmap(s, raw);
      ASSERT_TRUE(platform::WriteWholeFile(Path("图.bmp"), file));
      Recorder memory, disk;
      EXPECT_EQ(FeedBitmap(file, memory), DecodeStatus::Ok) << name;
      EXPECT_EQ(DecodeBitmapFile(Path("图.bmp"), disk), DecodeStatus::Ok) << name;
      EXPECT_EQ(memory.rgba, want) << name << (topDown ? ", top-down" : "");
      EXPECT_EQ(disk.rgba, want) << name << (topDown ? ", top-down" : "");
      EXPECT_EQ(memory.times, std::vector<int>(want.size(), 1)) << name;
      ExpectStopsAfterOneRow(file, name);
    }
  }
}

// Run lengths by hand: runs, pixels as they are with their padding, jumps,
// ends of rows and of the picture. '.' is a pixel the stream never wrote.
TEST(ReadBitmaps, RunLengthsOfEightAndFourBits) {
  const std::vector<std::tuple<int, Bytes, std::vector<std::string>, DecodeStatus>> cases = {
      {8,
       {3, 1, 0, 3, 2, 3, 0, 0,  // 1 1 1, then 2 3 0 as they are, padded
        0, 0,                    // end of the row
        2, 2, 0, 2, 1, 2,        // 2 2, then 1 right and 2 up: a row passed over
        2, 3, 0, 0,              // 3 3 from the fourth column
        9, 1,                    // 1 nine times, cut at the edge
        0, 1},                   // end: the top row never written
       {"......", "111111", "...33.", "......", "22....", "111230"}, DecodeStatus::Ok},
      {4, {5, 0x12, 0, 0, 0, 3, 0x30, 0x10, 2, 0x23, 0, 0}, {"30123", "12121"}, DecodeStatus::Ok},  // no end code
      {8, {2, 0, 0, 0, 2}, {"..", ".."}, DecodeStatus::Damaged},                                      // cut short
      {4, {0, 2, 0, 2, 1, 0}, {"..", ".."}, DecodeStatus::Damaged},                                   // above the top row
  };
  for (const auto& [bits, stream, want, status] : cases) {
    BitmapLayout s(bits, static_cast<std::int32_t>(want[0].size()), static_cast<std::int32_t>(want.size()));
    s.compression = bits == 8 ? 1 : 2, s.runs = stream;
    s.palette = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};
    const Bytes file = BuildBitmap(s);
    Recorder r;
    ASSERT_EQ(FeedBitmap(file, r), status) << want[0];
    if (status != DecodeStatus::Ok) continue;
    std::vector<std::uint32_t> expected;
    for (const std::string& row : want)
      for (char c : row) expected.push_back(c == '.' ? 0u : Rgba(s.palette[c - '0'][2], s.palette[c - '0'][1], s.palette[c - '0'][0]));
    EXPECT_EQ(r.rgba, expected) << want[0];
    EXPECT_EQ(r.times, std::vector<int>(expected.size(), 1)) << want[0];
    ExpectStopsAfterOneRow(file, want[0]);
  }
}

TEST(ReadBitmaps, RefusesWhatNoWriterMakesAndWhatDoesNotFitTheFile) {
  BitmapLayout runs(8, 2, 2), fields(32, 2, 2);
  runs.compression = 1, runs.runs = {0, 1};
  fields.compression = 3, fields.masks = {0xFF0000, 0xFF00, 0xFF};
  auto cut = [](Bytes b, std::size_t n) { return b.resize(b.size() - n), b; };
  auto set = [](Bytes b, std::size_t at, std::uint32_t v) { return PutLe(b, at, v), b; };
  const auto zero = [](int, int) { return 0u; };
  const Bytes plain = BuildBitmap(BitmapLayout(24, 3, 2), zero);
  const std::vector<std::tuple<const char*, Bytes, DecodeStatus>> cases = {
      {"the last row's padding missing", cut(plain, 3), DecodeStatus::Ok},
      {"a row's pixels missing", cut(plain, 4), DecodeStatus::Damaged},
      {"a header past the end", set(plain, 14, 200), DecodeStatus::Damaged},
      {"a 20-byte header", set(plain, 14, 20), DecodeStatus::NotAPicture},
      {"JPEG inside", set(plain, 30, 4), DecodeStatus::NotAPicture},
      {"masks with a hole", set(BuildBitmap(fields, zero), 54, 0xF0F00000), DecodeStatus::NotAPicture},
      {"masks that overlap", set(BuildBitmap(fields, zero), 58, 0xFFFF00), DecodeStatus::NotAPicture},
      {"runs stored top-down", set(BuildBitmap(runs), 22, -2u), DecodeStatus::NotAPicture},
  };
  for (const auto& [name, file, status] : cases) {
    Recorder r;
    EXPECT_EQ(FeedBitmap(file, r), status) << name;
  }
}

}  // namespace
}  // namespace dockline::convert
