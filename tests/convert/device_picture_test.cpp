#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "convert/device_picture.h"
#include "test_support.h"

namespace dockline::convert {
namespace {

using namespace testutil;
using Rows = std::vector<std::vector<int>>;

Bytes Picture(const Bytes& bitmap, int* code = nullptr) {
  Bytes out;
  const int c = BitmapToPicture(bitmap, out);
  if (code) *code = c;
  return out;
}

// The levels of a converted bitmap, row-major; fails the test if it did not convert.
std::vector<std::uint8_t> Levels(const Bytes& bitmap, int* w = nullptr, int* h = nullptr) {
  int code = -1;
  const Bytes file = Picture(bitmap, &code);
  EXPECT_EQ(code, kPictureOk);
  DevicePicture p;
  EXPECT_EQ(DecodePicture(file, p), PictureDefect::None);
  if (w) *w = p.width;
  if (h) *h = p.height;
  return p.levels;
}

Bytes File(int w, int h, std::initializer_list<std::uint8_t> rows) {
  Bytes b(kPictureMagic.begin(), kPictureMagic.end());
  for (int v : {w, h}) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  b.insert(b.end(), rows);
  return b;
}

std::vector<std::uint8_t> Flat(const Rows& rows) {
  std::vector<std::uint8_t> out;
  for (const auto& r : rows) out.insert(out.end(), r.begin(), r.end());
  return out;
}

// 24-bit pixels of exactly the four device greys carry no error: each keeps its level.
Bytes FourGreys(int w, int h, const std::function<int(int, int)>& level) {
  BitmapSpec s;
  s.width = w;
  s.height = h;
  return BuildBitmap(s, [&](int x, int y) { return GreyRgb(static_cast<std::uint8_t>(85 * level(x, y))); });
}

// 8 bits, palette entry g holds grey g.
Bytes Greys(const Rows& rows) {
  BitmapSpec s;
  s.bits = 8;
  s.height = static_cast<std::int32_t>(rows.size());
  s.width = static_cast<std::int32_t>(rows[0].size());
  for (int g = 0; g < 256; ++g) s.palette.push_back(GreyEntry(static_cast<std::uint8_t>(g)));
  return BuildBitmap(s, [&](int x, int y) { return static_cast<std::uint32_t>(rows[y][x]); });
}

TEST(PictureFile, PacksRowsLeftmostPixelHighWithSpareBitsSet) {
  EXPECT_EQ(Picture(FourGreys(1, 1, [](int, int) { return 3; })), File(1, 1, {0xFF}));
  EXPECT_EQ(Picture(FourGreys(1, 1, [](int, int) { return 0; })), File(1, 1, {0x3F}));
  // Levels 0 1 2 3 0 over 3 3 3 3 3: five pixels take two bytes a row.
  EXPECT_EQ(Picture(FourGreys(5, 2, [](int x, int y) { return y == 0 ? x % 4 : 3; })),
            File(5, 2, {0x1B, 0x3F, 0xFF, 0xFF}));
  EXPECT_EQ(Picture(FourGreys(7, 0, [](int, int) { return 0; })), File(7, 0, {}));
  EXPECT_EQ(Picture(FourGreys(0, 3, [](int, int) { return 0; })), File(0, 3, {}));
}

TEST(Levels, ThresholdsAndErrorDiffusion) {
  const std::vector<std::pair<Rows, Rows>> cases = {
      {{{42}}, {{0}}}, {{{43}}, {{1}}}, {{{127}}, {{1}}}, {{{128}}, {{2}}}, {{{212}}, {{2}}}, {{{213}}, {{3}}},
      // 128 → light grey, error −42; (7 × −42) >> 4 = −19 leaves 109: dark grey.
      {{{128, 128}}, {{2, 1}}},
      // −42 sends −14 below (56 → 42, black) and −3 below-right; the black pixel's
      // +42 adds 18 to its right: 27 − 3 + 18 = 42, black. Rounding toward zero
      // (−13, −2) would make either of them dark grey.
      {{{128, 104}, {56, 27}}, {{2, 1}, {0, 0}}},
      // The right pixel's −42 sends (3 × −42) >> 4 = −8 down-left: 50 → 42, black.
      {{{85, 128}, {50, 39}}, {{1, 2}, {0, 1}}},
  };
  for (const auto& [grey, level] : cases) EXPECT_EQ(Levels(Greys(grey)), Flat(level)) << "first grey " << grey[0][0];
}

TEST(Levels, GreyFormulaPerDepth) {
  struct Case {
    int bits;
    std::uint32_t pixel;
    int level;
  };
  const std::vector<Case> cases = {
      // 24 and 32 bits: weights 3735 blue, 19235 green, 9798 red over 32768; 43 is dark grey.
      {24, Rgb(0, 73, 0), 0}, {24, Rgb(0, 74, 0), 1}, {24, Rgb(143, 0, 0), 0}, {24, Rgb(144, 0, 0), 1},
      {24, Rgb(0, 23, 255), 0}, {24, Rgb(0, 24, 255), 1}, {32, Rgb(0, 74, 0), 1}, {32, Rgb(143, 0, 0), 0},
      {32, Rgb(0, 23, 255), 0}, {32, Rgb(0, 24, 255), 1}, {32, GreyRgb(213), 3},
      // 16 bits: blue bits 0-4, green 5-9, red 10-14, over 3984; bit 15 ignored.
      {16, 8u << 5, 0}, {16, 9u << 5, 1}, {16, 17u << 10, 0}, {16, 18u << 10, 1},
      {16, 31u | 2u << 5, 0}, {16, 31u | 3u << 5, 1}, {16, 0x8000u, 0}, {16, 0x7FFFu, 3},
  };
  for (const auto& c : cases) {
    BitmapSpec s;
    s.bits = c.bits;
    EXPECT_EQ(Levels(BuildBitmap(s, [&](int, int) { return c.pixel; })), Flat({{c.level}}))
        << c.bits << " bits, pixel " << std::hex << c.pixel;
  }
}

TEST(Palettes, EachDepthIndexesItsPaletteIgnoringTheFourthByte) {
  for (int bits : {1, 4, 8}) {
    BitmapSpec s;
    s.bits = bits;
    s.width = 13;  // rows that do not end on a byte
    s.height = 3;
    const int entries = 1 << bits;
    for (int k = 0; k < entries; ++k)
      s.palette.push_back(GreyEntry(static_cast<std::uint8_t>(85 * (k * 7 % 4)), static_cast<std::uint8_t>(k * 31)));
    auto index = [&](int x, int y) { return static_cast<std::uint32_t>((x * 5 + y * 3) % entries); };
    const auto levels = Levels(BuildBitmap(s, index));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 13; ++x) EXPECT_EQ(levels[y * 13 + x], index(x, y) * 7 % 4) << bits << " bits " << x << "," << y;
  }
}

TEST(Palettes, IndicesBeyondThePaletteShowBlack) {
  BitmapSpec s;
  s.bits = 8;
  s.width = 5;
  s.coloursUsed = 4;
  s.palette = {GreyEntry(255), GreyEntry(170), GreyEntry(85), GreyEntry(0)};
  const std::vector<std::uint32_t> row = {0, 1, 2, 3, 200};
  EXPECT_EQ(Levels(BuildBitmap(s, [&](int x, int) { return row[x]; })), Flat({{3, 2, 1, 0, 0}}));
  // A one-bit image may declare up to 256 entries; it uses the first two.
  BitmapSpec one;
  one.bits = 1;
  one.width = 2;
  one.coloursUsed = 256;
  for (int k = 0; k < 256; ++k) one.palette.push_back(GreyEntry(k == 1 ? 255 : 0));
  EXPECT_EQ(Levels(BuildBitmap(one, [](int x, int) { return static_cast<std::uint32_t>(x); })), Flat({{0, 3}}));
}

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
    const Bytes reference = Picture(BuildBitmap(plain, pixel));
    ASSERT_FALSE(reference.empty());
    // header size, gap before the pixels, bytes after them, top-down
    for (auto [header, gap, trailing, topDown] : std::vector<std::tuple<std::uint32_t, int, int, bool>>{
             {40, 0, 0, true}, {108, 0, 0, false}, {124, 0, 0, true}, {40, 10, 0, false},
             {40, 0, 7, false}, {124, 3, 5, false}, {108, 6, 2, true}}) {
      BitmapSpec s = plain;
      s.headerSize = header;
      s.gapBeforePixels = gap;
      s.trailing = trailing;
      s.height = topDown ? -6 : 6;
      EXPECT_EQ(Picture(BuildBitmap(s, pixel)), reference)
          << bits << " bits, header " << header << ", gap " << gap << ", trailing " << trailing << ", top-down " << topDown;
    }
  }
}

TEST(Layout, LargeImagesAreCroppedToTheirTopLeft) {
  auto level = [](int x, int y) { return (x < 320 && y < 240) ? (x / 3 + y) % 4 : (x + 2 * y) % 4; };
  for (auto [w, h] : {std::pair{640, 480}, {640, -480}, {2048, 2}}) {
    int pw = 0, ph = 0;
    const auto levels = Levels(FourGreys(w, h, level), &pw, &ph);
    ASSERT_EQ(pw, 320);
    ASSERT_EQ(ph, std::min(std::abs(h), 240));
    for (int y = 0; y < ph; ++y)
      for (int x = 0; x < 320; ++x) ASSERT_EQ(levels[y * 320 + x], level(x, y)) << x << "," << y << " of " << w << "x" << h;
  }
  EXPECT_EQ(Picture(FourGreys(640, 480, level)).size(), 19215u);
}

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
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    int code;
  };
  auto set = [](std::size_t at, std::uint32_t v, int n = 4) { return [=](Bytes& b) { PutLe(b, at, v, n); }; };
  const std::vector<Case> cases = {
      {"intact", [](Bytes&) {}, kPictureOk},
      {"file size one byte off", set(2, 79), kPictureDamaged},
      {"file size before type", [](Bytes& b) { PutLe(b, 2, 77, 4); b[1] = 'A'; }, kPictureDamaged},
      {"not BM", [](Bytes& b) { b[1] = 'A'; }, kPictureUnsupported},
      {"run-length", set(30, 1), kPictureUnsupported},
      {"bit fields", set(30, 3), kPictureUnsupported},
      {"2 bits per pixel", set(28, 2, 2), kPictureUnsupported},
      {"wider than 2048", set(18, 2049), kPictureUnsupported},
      {"negative width", set(18, static_cast<std::uint32_t>(-4)), kPictureUnsupported},
      {"height -2^31", set(22, 0x80000000u), kPictureUnsupported},
      {"height -2^31, width 0", [](Bytes& b) { PutLe(b, 22, 0x80000000u, 4); PutLe(b, 18, 0, 4); }, kPictureUnsupported},
      {"12-byte core header", set(14, 12), kPictureUnsupported},
      {"257 palette entries", set(46, 257), kPictureUnsupported},
      {"2^32-1 palette entries", set(46, 0xFFFFFFFFu), kPictureUnsupported},
      {"pixels inside the palette", set(10, 66), kPictureDamaged},
      {"pixels start at the end", set(10, 78), kPictureDamaged},
      {"pixels start beyond the file", set(10, 0xFFFFFFFFu), kPictureDamaged},
      {"more rows than stored", set(22, 3), kPictureDamaged},
      {"more rows than stored, top-down", set(22, static_cast<std::uint32_t>(-3)), kPictureDamaged},
      {"height 2^31-1", set(22, 0x7FFFFFFFu), kPictureDamaged},
      {"wider than stored", set(18, 5), kPictureDamaged},
      {"header size past the file", set(14, 0xFFFFFFF0u), kPictureDamaged},
      {"41-byte header moves the palette onto the pixels", set(14, 41), kPictureDamaged},
      {"zero width", set(18, 0), kPictureOk},
      {"fewer rows than stored", set(22, 1), kPictureOk},
      {"cut to 20 bytes", [](Bytes& b) { b.resize(20); PutLe(b, 2, 20, 4); }, kPictureUnsupported},
      {"cut to 40 bytes", [](Bytes& b) { b.resize(40); PutLe(b, 2, 40, 4); }, kPictureDamaged},
      {"cut to 2 bytes", [](Bytes& b) { b.resize(2); }, kPictureDamaged},
      {"empty", [](Bytes& b) { b.clear(); }, kPictureUnsupported},
  };
  for (const auto& c : cases) {
    Bytes b = SmallBitmap();
    c.damage(b);
    int code = -1;
    const Bytes out = Picture(b, &code);
    EXPECT_EQ(code, c.code) << c.name;
    EXPECT_EQ(out.empty(), code != kPictureOk) << c.name;
  }
}

TEST(Decoder, RoundTripsThroughTheFileAndThePreviewBitmap) {
  std::mt19937 rng(3);
  for (auto [w, h] : {std::pair{13, 4}, {320, 240}, {1, 1}, {0, 2}, {3, 0}}) {
    DevicePicture p;
    p.width = w;
    p.height = h;
    for (int k = 0; k < w * h; ++k) p.levels.push_back(static_cast<std::uint8_t>(rng() % 4));
    const Bytes file = EncodePicture(p);
    DevicePicture back;
    ASSERT_EQ(DecodePicture(file, back), PictureDefect::None);
    EXPECT_EQ(std::tie(back.width, back.height, back.levels), std::tie(p.width, p.height, p.levels));
    // The preview's greys are the four levels exactly, so converting it gives the same file.
    const Bytes bmp = EncodePreviewBitmap(p);
    EXPECT_EQ(bmp.size(), 54 + (3 * w + 3) / 4 * 4 * h);
    EXPECT_EQ(Picture(bmp), file);
  }
}

TEST(Decoder, RefusesDamagedFiles) {
  DevicePicture p;
  const Bytes good = File(5, 2, {0x1B, 0x3F, 0xFF, 0xFF});
  ASSERT_EQ(DecodePicture(good, p), PictureDefect::None);
  EXPECT_EQ(p.levels, Flat({{0, 1, 2, 3, 0}, {3, 3, 3, 3, 3}}));
  Bytes wrongMagic = good;
  wrongMagic[3] = '7';
  EXPECT_EQ(DecodePicture(wrongMagic, p), PictureDefect::NotAPicture);
  EXPECT_EQ(DecodePicture(Bytes(good.begin(), good.begin() + 10), p), PictureDefect::NotAPicture);
  EXPECT_EQ(DecodePicture(Bytes(good.begin(), good.begin() + 13), p), PictureDefect::Truncated);
  EXPECT_EQ(DecodePicture(Bytes(good.begin(), good.end() - 1), p), PictureDefect::Truncated);
  EXPECT_EQ(DecodePicture(File(321, 1, {}), p), PictureDefect::BadSize);
  EXPECT_EQ(DecodePicture(File(1, 241, {}), p), PictureDefect::BadSize);
  Bytes longer = good;
  longer.push_back(0);
  EXPECT_EQ(DecodePicture(longer, p), PictureDefect::None);
}

class ConvertFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch.ok()); }
  ScratchFolder scratch;
  RecordingNotifier notifier;
};

TEST_F(ConvertFiles, WritesThePictureFileAndNothingElse) {
  const std::string src = scratch.File("风景 照片.bmp");
  const std::string dst = scratch.File("风景 照片.ych");
  const Bytes bmp = FourGreys(6, 3, [](int x, int y) { return (x + y) % 4; });
  ASSERT_TRUE(platform::WriteWholeFile(src, bmp));
  ASSERT_TRUE(ConvertBitmap(src, dst, notifier));
  EXPECT_TRUE(notifier.messages.empty());
  platform::Bytes written;
  ASSERT_TRUE(platform::ReadWholeFile(dst, written));
  EXPECT_EQ(written, Picture(bmp));
  EXPECT_EQ(platform::FindFiles(scratch.File("*")).size(), 2u);
}

TEST_F(ConvertFiles, FailuresAreReportedAndLeaveTheDestinationAsItWas) {
  const std::string dst = scratch.File("old.ych");
  ASSERT_TRUE(WriteText(dst, "previous"));
  const std::string missing = scratch.File("无.bmp");
  Bytes damaged = SmallBitmap();
  damaged.pop_back();
  const std::string broken = scratch.File("坏.bmp");
  ASSERT_TRUE(platform::WriteWholeFile(broken, damaged));
  Bytes compressed = SmallBitmap();
  PutLe(compressed, 30, 1, 4);
  const std::string rle = scratch.File("rle.bmp");
  ASSERT_TRUE(platform::WriteWholeFile(rle, compressed));
  const std::string good = scratch.File("good.bmp");
  ASSERT_TRUE(platform::WriteWholeFile(good, SmallBitmap()));
  const std::string nowhere = platform::JoinPath(scratch.File("不存在"), "a.ych");

  EXPECT_FALSE(ConvertBitmap(missing, dst, notifier));
  EXPECT_FALSE(ConvertBitmap(broken, dst, notifier));
  EXPECT_FALSE(ConvertBitmap(rle, dst, notifier));
  EXPECT_FALSE(ConvertBitmap(good, nowhere, notifier));
  EXPECT_EQ(notifier.messages, (std::vector<std::string>{missing + "图片不存在！", broken + "文件损坏！",
                                                         rle + "文件格式不支持！", "保存图片" + nowhere + "失败！"}));
  EXPECT_EQ(ReadText(dst), "previous");
  EXPECT_EQ(ConvertBitmapFile(good, nowhere), kPictureNotWritten);
}

TEST(Messages, TextsOfTheCodesWithoutAFileToProvokeThem) {
  const std::string p = "C:\\图\\a.bmp";
  EXPECT_EQ(PictureErrorText(kPictureNoMemory, p), "复制文件" + p + "内存分配失败！");
  EXPECT_EQ(PictureErrorText(kPictureTooBig, p), p + "文件太大");
  RecordingNotifier n;
  for (int code : {0, 7, -1}) ReportPictureError(code, p, n);
  EXPECT_TRUE(n.messages.empty());
}

}  // namespace
}  // namespace dockline::convert
