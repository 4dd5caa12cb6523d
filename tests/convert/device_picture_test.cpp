#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "convert/device_picture.h"
#include "test_support.h"

namespace dockline::convert {
namespace {

using testutil::BitmapSpec;
using testutil::BuildBitmap;
using testutil::Bytes;
using testutil::GreyEntry;
using testutil::GreyRgb;
using testutil::PutLe;
using testutil::ReadText;
using testutil::RecordingNotifier;
using testutil::Rgb;
using testutil::ScratchFolder;
using testutil::WriteText;

struct Result {
  int code = -1;
  Bytes picture;
};

Result Convert(const Bytes& bitmap) {
  Result r;
  r.code = BitmapToPicture(bitmap, r.picture);
  return r;
}

// The levels of a converted bitmap; fails the test if it did not convert.
DevicePicture Levels(const Bytes& bitmap) {
  const Result r = Convert(bitmap);
  EXPECT_EQ(r.code, kPictureOk);
  DevicePicture p;
  EXPECT_EQ(DecodePicture(r.picture, p), PictureDefect::None);
  return p;
}

Bytes Header(int w, int h) {
  Bytes b(kPictureMagic.begin(), kPictureMagic.end());
  b.push_back(static_cast<std::uint8_t>(w));
  b.push_back(static_cast<std::uint8_t>(w >> 8));
  b.push_back(static_cast<std::uint8_t>(h));
  b.push_back(static_cast<std::uint8_t>(h >> 8));
  return b;
}

Bytes Concat(Bytes a, std::initializer_list<std::uint8_t> tail) {
  a.insert(a.end(), tail);
  return a;
}

// A 24-bit image whose pixels are exactly the four device greys, so that no
// error is carried and every pixel keeps its level.
Bytes FourGreyBitmap(int w, int h, const std::function<int(int, int)>& level) {
  BitmapSpec s;
  s.width = w;
  s.height = h;
  return BuildBitmap(s, [&](int x, int y) { return GreyRgb(static_cast<std::uint8_t>(85 * level(x, y))); });
}

// 8-bit bitmap whose palette holds the given greys, pixel (x, y) = index.
Bytes GreyBitmap(const std::vector<std::vector<int>>& rows) {
  BitmapSpec s;
  s.bits = 8;
  s.height = static_cast<std::int32_t>(rows.size());
  s.width = static_cast<std::int32_t>(rows[0].size());
  for (int g = 0; g < 256; ++g) s.palette.push_back(GreyEntry(static_cast<std::uint8_t>(g)));
  return BuildBitmap(s, [&](int x, int y) { return static_cast<std::uint32_t>(rows[y][x]); });
}

std::vector<std::uint8_t> Flat(const std::vector<std::vector<int>>& rows) {
  std::vector<std::uint8_t> out;
  for (const auto& r : rows)
    for (int v : r) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

// ---- The file the device reads ---------------------------------------------

TEST(PictureFile, OnePixelImagesPackWithSpareBitsSet) {
  EXPECT_EQ(Convert(FourGreyBitmap(1, 1, [](int, int) { return 3; })).picture, Concat(Header(1, 1), {0xFF}));
  EXPECT_EQ(Convert(FourGreyBitmap(1, 1, [](int, int) { return 0; })).picture, Concat(Header(1, 1), {0x3F}));
}

TEST(PictureFile, RowsStartOnANewByteLeftmostPixelHigh) {
  // Levels 0 1 2 3 0 | 3 3 3 3 3: five pixels take two bytes a row.
  const Bytes bmp = FourGreyBitmap(5, 2, [](int x, int y) { return y == 0 ? x % 4 : 3; });
  EXPECT_EQ(Convert(bmp).picture, Concat(Header(5, 2), {0x1B, 0x3F, 0xFF, 0xFF}));
}

TEST(PictureFile, EmptyImagesGiveTheHeaderAlone) {
  BitmapSpec s;
  s.width = 7;
  s.height = 0;
  EXPECT_EQ(Convert(BuildBitmap(s, [](int, int) { return 0u; })).picture, Header(7, 0));
  s.width = 0;
  s.height = 3;
  EXPECT_EQ(Convert(BuildBitmap(s, [](int, int) { return 0u; })).picture, Header(0, 3));
}

// ---- Grey levels and error diffusion ---------------------------------------

TEST(Levels, ThresholdsWithoutCarriedError) {
  const std::vector<std::pair<int, int>> cases = {{0, 0},   {42, 0},  {43, 1},  {127, 1},
                                                  {128, 2}, {212, 2}, {213, 3}, {255, 3}};
  for (const auto& [grey, level] : cases)
    EXPECT_EQ(Levels(GreyBitmap({{grey}})).levels, std::vector<std::uint8_t>{static_cast<std::uint8_t>(level)})
        << "grey " << grey;
}

TEST(Levels, ErrorGoesRightWithArithmeticShift) {
  // 128 → light grey, error −42; (7 × −42) >> 4 = −19 leaves 109: dark grey.
  EXPECT_EQ(Levels(GreyBitmap({{128, 128}})).levels, Flat({{2, 1}}));
}

TEST(Levels, ErrorGoesBelowAndBelowRight) {
  // −42 sends −14 below (56 → 42, black) and −3 below-right; the black
  // pixel's +42 then adds 18 to its right neighbour: 27 − 3 + 18 = 42, black.
  // Rounding toward zero instead (−13, −2) would make either of them dark grey.
  EXPECT_EQ(Levels(GreyBitmap({{128, 104}, {56, 27}})).levels, Flat({{2, 1}, {0, 0}}));
}

TEST(Levels, ErrorGoesBelowLeft) {
  // The right pixel's −42 sends (3 × −42) >> 4 = −8 down-left: 50 → 42, black,
  // whose +42 adds 18 to 39 − 14: 43, dark grey.
  EXPECT_EQ(Levels(GreyBitmap({{85, 128}, {50, 39}})).levels, Flat({{1, 2}, {0, 1}}));
}

TEST(Levels, UniformGreyAveragesToItsBrightness) {
  // Mid-grey 128 is between levels 1 and 2: the dither must use both, about equally.
  std::vector<std::vector<int>> rows(40, std::vector<int>(40, 128));
  const DevicePicture p = Levels(GreyBitmap(rows));
  int sum = 0;
  for (auto l : p.levels) {
    ASSERT_TRUE(l == 1 || l == 2);
    sum += l;
  }
  EXPECT_NEAR(sum * 85.0 / p.levels.size(), 128.0, 4.0);
}

struct GreyCase {
  int bits;
  std::uint32_t pixel;
  int level;
};

TEST(Levels, GreyFormulaPerDepth) {
  const std::vector<GreyCase> cases = {
      // 24 and 32 bits: 8-bit channels, weights 3735 blue, 19235 green, 9798 red over 32768.
      {24, Rgb(0, 73, 0), 0},    {24, Rgb(0, 74, 0), 1},    {24, Rgb(143, 0, 0), 0},
      {24, Rgb(144, 0, 0), 1},   {24, Rgb(0, 0, 255), 0},   {24, Rgb(0, 23, 255), 0},
      {24, Rgb(0, 24, 255), 1},  {24, GreyRgb(212), 2},     {24, GreyRgb(213), 3},
      {32, Rgb(0, 74, 0), 1},    {32, Rgb(143, 0, 0), 0},   {32, Rgb(0, 24, 255), 1},
      {32, Rgb(0, 23, 255), 0},  {32, GreyRgb(255), 3},
      // 16 bits: blue bits 0-4, green 5-9, red 10-14, divided by 3984; bit 15 is ignored.
      {16, 8u << 5, 0},          {16, 9u << 5, 1},          {16, 17u << 10, 0},
      {16, 18u << 10, 1},        {16, 31u | 2u << 5, 0},    {16, 31u | 3u << 5, 1},
      {16, 0x8000u, 0},          {16, 0x7FFFu, 3},
  };
  for (const auto& c : cases) {
    BitmapSpec s;
    s.bits = c.bits;
    EXPECT_EQ(Levels(BuildBitmap(s, [&](int, int) { return c.pixel; })).levels,
              std::vector<std::uint8_t>{static_cast<std::uint8_t>(c.level)})
        << c.bits << " bits, pixel " << std::hex << c.pixel;
  }
}

// ---- Palettes ----------------------------------------------------------------

TEST(Palettes, EachDepthIndexesItsPalette) {
  for (int bits : {1, 4, 8}) {
    BitmapSpec s;
    s.bits = bits;
    s.width = 13;  // rows that do not end on a byte
    s.height = 3;
    const int entries = 1 << bits;
    for (int k = 0; k < entries; ++k) s.palette.push_back(GreyEntry(static_cast<std::uint8_t>(85 * (k * 7 % 4))));
    auto index = [&](int x, int y) { return static_cast<std::uint32_t>((x * 5 + y * 3) % entries); };
    const DevicePicture p = Levels(BuildBitmap(s, index));
    ASSERT_EQ(p.width, 13);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 13; ++x)
        EXPECT_EQ(p.levels[y * 13 + x], index(x, y) * 7 % 4) << bits << " bits at " << x << "," << y;
  }
}

TEST(Palettes, FourthByteOfAnEntryIsIgnored) {
  BitmapSpec a;
  a.bits = 4;
  a.width = 16;
  for (int k = 0; k < 16; ++k) a.palette.push_back({static_cast<std::uint8_t>(k * 16), 99, static_cast<std::uint8_t>(255 - k), 0});
  BitmapSpec b = a;
  for (auto& e : b.palette) e[3] = 0xFF;
  auto index = [](int x, int) { return static_cast<std::uint32_t>(x); };
  EXPECT_EQ(Convert(BuildBitmap(a, index)).picture, Convert(BuildBitmap(b, index)).picture);
}

TEST(Palettes, ShortPaletteAndIndicesBeyondIt) {
  // Four entries declared; index 200 has none and shows black.
  BitmapSpec s;
  s.bits = 8;
  s.width = 5;
  s.coloursUsed = 4;
  s.palette = {GreyEntry(255), GreyEntry(170), GreyEntry(85), GreyEntry(0)};
  const std::vector<std::uint32_t> row = {0, 1, 2, 3, 200};
  EXPECT_EQ(Levels(BuildBitmap(s, [&](int x, int) { return row[x]; })).levels, Flat({{3, 2, 1, 0, 0}}));

  // A one-bit image with a single entry: index 1 is black.
  BitmapSpec one;
  one.bits = 1;
  one.width = 2;
  one.coloursUsed = 1;
  one.palette = {GreyEntry(255)};
  EXPECT_EQ(Levels(BuildBitmap(one, [](int x, int) { return static_cast<std::uint32_t>(x); })).levels,
            Flat({{3, 0}}));
}

TEST(Palettes, UpTo256EntriesEvenAtLowDepth) {
  BitmapSpec s;
  s.bits = 1;
  s.width = 2;
  s.coloursUsed = 256;
  for (int k = 0; k < 256; ++k) s.palette.push_back(GreyEntry(k == 1 ? 255 : 0));
  EXPECT_EQ(Levels(BuildBitmap(s, [](int x, int) { return static_cast<std::uint32_t>(x); })).levels,
            Flat({{0, 3}}));
}

// ---- Where the rows are -------------------------------------------------------

struct LayoutCase {
  int bits;
  std::uint32_t headerSize;
  std::size_t gap;
  std::size_t trailing;
  bool topDown;
};

TEST(Layout, HeaderSizeGapsAndOrientationDoNotChangeThePicture) {
  std::mt19937 rng(7);
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    BitmapSpec plain;
    plain.bits = bits;
    plain.width = 11;
    plain.height = 6;
    if (bits <= 8)
      for (int k = 0; k < (1 << bits); ++k)
        plain.palette.push_back({static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                                 static_cast<std::uint8_t>(rng()), 0});
    std::vector<std::uint32_t> pixels(11 * 6);
    for (auto& p : pixels) p = static_cast<std::uint32_t>(rng());
    auto pixel = [&](int x, int y) { return pixels[y * 11 + x]; };
    const Result reference = Convert(BuildBitmap(plain, pixel));
    ASSERT_EQ(reference.code, kPictureOk);

    for (const LayoutCase& c : std::vector<LayoutCase>{{bits, 40, 0, 0, true},
                                                       {bits, 108, 0, 0, false},
                                                       {bits, 124, 0, 0, true},
                                                       {bits, 40, 10, 0, false},
                                                       {bits, 40, 0, 7, false},
                                                       {bits, 124, 3, 5, false},
                                                       {bits, 108, 6, 2, true}}) {
      BitmapSpec s = plain;
      s.headerSize = c.headerSize;
      s.gapBeforePixels = c.gap;
      s.trailing = c.trailing;
      s.height = c.topDown ? -6 : 6;
      EXPECT_EQ(Convert(BuildBitmap(s, pixel)).picture, reference.picture)
          << bits << " bits, header " << c.headerSize << ", gap " << c.gap << ", trailing " << c.trailing
          << (c.topDown ? ", top-down" : ", bottom-up");
    }
  }
}

TEST(Layout, LargeImagesAreCroppedToTheirTopLeft) {
  auto level = [](int x, int y) { return (x < 320 && y < 240) ? (x / 3 + y) % 4 : (x + 2 * y) % 4; };
  for (int h : {480, -480}) {
    BitmapSpec s;
    s.width = 640;
    s.height = h;
    const Result r = Convert(BuildBitmap(s, [&](int x, int y) { return GreyRgb(static_cast<std::uint8_t>(85 * level(x, y))); }));
    ASSERT_EQ(r.code, kPictureOk);
    EXPECT_EQ(r.picture.size(), 19215u);
    DevicePicture p;
    ASSERT_EQ(DecodePicture(r.picture, p), PictureDefect::None);
    ASSERT_EQ(p.width, 320);
    ASSERT_EQ(p.height, 240);
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x) ASSERT_EQ(p.levels[y * 320 + x], level(x, y)) << x << "," << y << " h " << h;
  }
}

TEST(Layout, WidthOf2048IsAcceptedAndCropped) {
  BitmapSpec s;
  s.bits = 8;
  s.width = 2048;
  s.height = 2;
  s.palette = {GreyEntry(0), GreyEntry(255)};
  s.coloursUsed = 2;
  const DevicePicture p = Levels(BuildBitmap(s, [](int x, int) { return x < 320 ? 1u : 0u; }));
  EXPECT_EQ(p.width, 320);
  EXPECT_EQ(p.height, 2);
  EXPECT_EQ(p.levels, std::vector<std::uint8_t>(640, 3));
}

// ---- Headers that are refused -----------------------------------------------

struct HeaderCase {
  const char* name;
  std::function<void(Bytes&)> damage;
  int code;
};

// 8 bits, 4 × 2 pixels, four palette entries: 54 + 16 + 8 = 78 bytes.
Bytes SmallBitmap() {
  BitmapSpec s;
  s.bits = 8;
  s.width = 4;
  s.height = 2;
  s.coloursUsed = 4;
  s.palette = {GreyEntry(0), GreyEntry(85), GreyEntry(170), GreyEntry(255)};
  return BuildBitmap(s, [](int x, int) { return static_cast<std::uint32_t>(x); });
}

TEST(Headers, EachFaultGetsItsCode) {
  const std::vector<HeaderCase> cases = {
      {"intact", [](Bytes&) {}, kPictureOk},
      {"file size one byte off", [](Bytes& b) { PutLe(b, 2, 79, 4); }, kPictureDamaged},
      {"file size is checked before the type", [](Bytes& b) { PutLe(b, 2, 77, 4); b[1] = 'A'; }, kPictureDamaged},
      {"not BM", [](Bytes& b) { b[1] = 'A'; }, kPictureUnsupported},
      {"run-length compressed", [](Bytes& b) { PutLe(b, 30, 1, 4); }, kPictureUnsupported},
      {"bit fields", [](Bytes& b) { PutLe(b, 30, 3, 4); }, kPictureUnsupported},
      {"2 bits per pixel", [](Bytes& b) { PutLe(b, 28, 2, 2); }, kPictureUnsupported},
      {"0 bits per pixel", [](Bytes& b) { PutLe(b, 28, 0, 2); }, kPictureUnsupported},
      {"wider than 2048", [](Bytes& b) { PutLe(b, 18, 2049, 4); }, kPictureUnsupported},
      {"negative width", [](Bytes& b) { PutLe(b, 18, static_cast<std::uint32_t>(-4), 4); }, kPictureUnsupported},
      {"height -2^31", [](Bytes& b) { PutLe(b, 22, 0x80000000u, 4); }, kPictureUnsupported},
      {"height -2^31 and no width", [](Bytes& b) { PutLe(b, 22, 0x80000000u, 4); PutLe(b, 18, 0, 4); },
       kPictureUnsupported},
      {"12-byte core header", [](Bytes& b) { PutLe(b, 14, 12, 4); }, kPictureUnsupported},
      {"257 palette entries", [](Bytes& b) { PutLe(b, 46, 257, 4); }, kPictureUnsupported},
      {"2^32-1 palette entries", [](Bytes& b) { PutLe(b, 46, 0xFFFFFFFFu, 4); }, kPictureUnsupported},
      {"pixels inside the palette", [](Bytes& b) { PutLe(b, 10, 66, 4); }, kPictureDamaged},
      {"pixels start at the end", [](Bytes& b) { PutLe(b, 10, 78, 4); }, kPictureDamaged},
      {"pixels start beyond the file", [](Bytes& b) { PutLe(b, 10, 0xFFFFFFFFu, 4); }, kPictureDamaged},
      {"more rows than stored", [](Bytes& b) { PutLe(b, 22, 3, 4); }, kPictureDamaged},
      {"more rows than stored, top-down", [](Bytes& b) { PutLe(b, 22, static_cast<std::uint32_t>(-3), 4); },
       kPictureDamaged},
      {"height 2^31-1", [](Bytes& b) { PutLe(b, 22, 0x7FFFFFFFu, 4); }, kPictureDamaged},
      {"wider than stored", [](Bytes& b) { PutLe(b, 18, 5, 4); }, kPictureDamaged},
      {"header size runs past the file", [](Bytes& b) { PutLe(b, 14, 0xFFFFFFF0u, 4); }, kPictureDamaged},
      {"header size of 41 moves the palette onto the pixels", [](Bytes& b) { PutLe(b, 14, 41, 4); },
       kPictureDamaged},
      {"zero width", [](Bytes& b) { PutLe(b, 18, 0, 4); }, kPictureOk},
      {"fewer rows than stored", [](Bytes& b) { PutLe(b, 22, 1, 4); }, kPictureOk},
      {"cut to 20 bytes", [](Bytes& b) { b.resize(20); PutLe(b, 2, 20, 4); }, kPictureUnsupported},
      {"cut to 40 bytes", [](Bytes& b) { b.resize(40); PutLe(b, 2, 40, 4); }, kPictureDamaged},
      {"cut to 2 bytes", [](Bytes& b) { b.resize(2); }, kPictureDamaged},
      {"empty", [](Bytes& b) { b.clear(); }, kPictureUnsupported},
  };
  for (const auto& c : cases) {
    Bytes b = SmallBitmap();
    c.damage(b);
    EXPECT_EQ(Convert(b).code, c.code) << c.name;
  }
}

TEST(Headers, RandomDamageNeverReadsOutsideTheFile) {
  // Under the address sanitizer any stray read fails this test.
  std::mt19937 rng(99);
  const std::vector<Bytes> bases = {SmallBitmap(), FourGreyBitmap(9, 5, [](int x, int y) { return (x + y) % 4; })};
  for (int round = 0; round < 20000; ++round) {
    Bytes b = bases[round % bases.size()];
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < changes; ++k) {
      const std::size_t at = rng() % 58;  // mostly the headers
      if (at < b.size()) b[at] = static_cast<std::uint8_t>(rng());
    }
    if (rng() % 3 == 0) PutLe(b, 2, b.size(), 4);  // keep the size field right for the later checks
    Bytes out;
    const int code = BitmapToPicture(b, out);
    if (code == kPictureOk) {
      DevicePicture p;
      ASSERT_EQ(DecodePicture(out, p), PictureDefect::None);
    } else {
      ASSERT_TRUE(code == kPictureDamaged || code == kPictureUnsupported) << code;
      ASSERT_TRUE(out.empty());
    }
  }
}

// ---- Reading pictures back ----------------------------------------------------

TEST(Decoder, RoundTripsLevelsThroughThePictureFile) {
  std::mt19937 rng(3);
  for (auto [w, h] : {std::pair{7, 5}, {320, 240}, {1, 1}, {4, 3}, {0, 2}, {3, 0}}) {
    DevicePicture p;
    p.width = w;
    p.height = h;
    for (int k = 0; k < w * h; ++k) p.levels.push_back(static_cast<std::uint8_t>(rng() % 4));
    const Bytes file = EncodePicture(p);
    EXPECT_EQ(file.size(), 15 + PictureRowBytes(w) * h);
    DevicePicture back;
    ASSERT_EQ(DecodePicture(file, back), PictureDefect::None);
    EXPECT_EQ(back.width, w);
    EXPECT_EQ(back.height, h);
    EXPECT_EQ(back.levels, p.levels);
  }
}

TEST(Decoder, PreviewBitmapConvertsBackToTheSamePicture) {
  DevicePicture p;
  p.width = 13;
  p.height = 4;
  for (int k = 0; k < 13 * 4; ++k) p.levels.push_back(static_cast<std::uint8_t>(k * 5 % 4));
  const Bytes bmp = EncodePreviewBitmap(p);
  ASSERT_EQ(bmp.size(), 54 + 40 * 4u);  // 13 × 3 bytes padded to 40
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[28], 24);
  EXPECT_EQ(Convert(bmp).picture, EncodePicture(p));
  // Bottom-up: the first stored row is the picture's last; greys 0, 85, 170, 255.
  EXPECT_EQ(bmp[54], 85 * p.levels[3 * 13]);
}

TEST(Decoder, RefusesDamagedFiles) {
  DevicePicture p;
  const Bytes good = Concat(Header(5, 2), {0x1B, 0x3F, 0xFF, 0xFF});
  ASSERT_EQ(DecodePicture(good, p), PictureDefect::None);
  EXPECT_EQ(p.levels, Flat({{0, 1, 2, 3, 0}, {3, 3, 3, 3, 3}}));

  Bytes wrongMagic = good;
  wrongMagic[3] = '7';
  EXPECT_EQ(DecodePicture(wrongMagic, p), PictureDefect::NotAPicture);
  EXPECT_EQ(DecodePicture(Bytes(good.begin(), good.begin() + 10), p), PictureDefect::NotAPicture);
  EXPECT_EQ(DecodePicture(Bytes{}, p), PictureDefect::NotAPicture);
  EXPECT_EQ(DecodePicture(Bytes(good.begin(), good.begin() + 13), p), PictureDefect::Truncated);
  EXPECT_EQ(DecodePicture(Bytes(good.begin(), good.end() - 1), p), PictureDefect::Truncated);
  EXPECT_EQ(DecodePicture(Concat(Header(321, 1), {}), p), PictureDefect::BadSize);
  EXPECT_EQ(DecodePicture(Concat(Header(1, 241), {}), p), PictureDefect::BadSize);
  EXPECT_EQ(DecodePicture(Concat(good, {0x00}), p), PictureDefect::None);  // bytes after the rows
  EXPECT_EQ(PictureDefectText(PictureDefect::Truncated, "a.ych"), "a.ych图片数据不完整，文件损坏！");
}

// ---- Files ----------------------------------------------------------------------

class ConvertFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch.ok()); }
  bool Write(const std::string& path, const Bytes& b) { return platform::WriteWholeFile(path, b); }
  ScratchFolder scratch;
  RecordingNotifier notifier;
};

TEST_F(ConvertFiles, WritesThePictureFile) {
  const std::string src = scratch.File("风景 照片.bmp");
  const std::string dst = scratch.File("风景 照片.ych");
  const Bytes bmp = FourGreyBitmap(6, 3, [](int x, int y) { return (x + y) % 4; });
  ASSERT_TRUE(Write(src, bmp));
  ASSERT_TRUE(ConvertBitmap(src, dst, notifier));
  EXPECT_TRUE(notifier.messages.empty());
  platform::Bytes written;
  ASSERT_TRUE(platform::ReadWholeFile(dst, written));
  EXPECT_EQ(written, Convert(bmp).picture);
  // No temporary file is left beside it.
  EXPECT_EQ(platform::FindFiles(scratch.File("*")).size(), 2u);
}

TEST_F(ConvertFiles, FailuresAreReportedAndWriteNothing) {
  const std::string dst = scratch.File("out.ych");
  const std::string missing = scratch.File("无.bmp");
  EXPECT_FALSE(ConvertBitmap(missing, dst, notifier));

  Bytes damaged = SmallBitmap();
  damaged.pop_back();
  const std::string broken = scratch.File("坏.bmp");
  ASSERT_TRUE(Write(broken, damaged));
  EXPECT_FALSE(ConvertBitmap(broken, dst, notifier));

  Bytes compressed = SmallBitmap();
  PutLe(compressed, 30, 1, 4);
  const std::string rle = scratch.File("rle.bmp");
  ASSERT_TRUE(Write(rle, compressed));
  EXPECT_FALSE(ConvertBitmap(rle, dst, notifier));

  EXPECT_EQ(notifier.messages, (std::vector<std::string>{missing + "图片不存在！", broken + "文件损坏！",
                                                         rle + "文件格式不支持！"}));
  EXPECT_FALSE(platform::FileExists(dst));
}

TEST_F(ConvertFiles, DestinationThatCannotBeWrittenIsAFailure) {
  const std::string src = scratch.File("a.bmp");
  ASSERT_TRUE(Write(src, SmallBitmap()));
  const std::string dst = platform::JoinPath(scratch.File("不存在"), "a.ych");
  EXPECT_FALSE(ConvertBitmap(src, dst, notifier));
  EXPECT_EQ(notifier.messages, std::vector<std::string>{"保存图片" + dst + "失败！"});
  EXPECT_EQ(ConvertBitmapFile(src, dst), kPictureNotWritten);
}

TEST_F(ConvertFiles, FailureLeavesAnExistingPictureAlone) {
  const std::string dst = scratch.File("old.ych");
  ASSERT_TRUE(WriteText(dst, "previous"));
  Bytes damaged = SmallBitmap();
  damaged[0] = 'X';
  const std::string src = scratch.File("x.bmp");
  ASSERT_TRUE(Write(src, damaged));
  EXPECT_EQ(ConvertBitmapFile(src, dst), kPictureUnsupported);
  EXPECT_EQ(ReadText(dst), "previous");

  // A good conversion replaces it.
  ASSERT_TRUE(Write(src, SmallBitmap()));
  EXPECT_EQ(ConvertBitmapFile(src, dst), kPictureOk);
  EXPECT_EQ(ReadText(dst).substr(0, 11), "YCP6170V1.0");
}

TEST(Messages, OneForEachCode) {
  const std::string p = "C:\\图\\a.bmp";
  EXPECT_EQ(PictureErrorText(1, p), p + "图片不存在！");
  EXPECT_EQ(PictureErrorText(2, p), "复制文件" + p + "内存分配失败！");
  EXPECT_EQ(PictureErrorText(3, p), p + "文件损坏！");
  EXPECT_EQ(PictureErrorText(4, p), p + "文件格式不支持！");
  EXPECT_EQ(PictureErrorText(5, p), p + "文件太大");
  EXPECT_EQ(PictureErrorText(6, p, "G:\\a.ych"), "保存图片G:\\a.ych失败！");
  RecordingNotifier n;
  ReportPictureError(0, p, n);
  ReportPictureError(7, p, n);
  ReportPictureError(-1, p, n);
  EXPECT_TRUE(n.messages.empty());
  ReportPictureError(5, p, n);
  EXPECT_EQ(n.messages, std::vector<std::string>{p + "文件太大"});
}

}  // namespace
}  // namespace dockline::convert
