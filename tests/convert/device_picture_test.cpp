#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

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
  return BuildBitmap(BitmapSpec(24, w, h), [&](int x, int y) { return 0x555555u * level(x, y); });
}

// 8 bits, 4 × 2 pixels, four palette entries: 54 + 16 + 8 = 78 bytes.
Bytes SmallBitmap() {
  BitmapSpec s(8, 4, 2);
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
    const BitmapSpec s(24, static_cast<std::int32_t>(grey[0].size()), static_cast<std::int32_t>(grey.size()));
    const auto pixel = [&g = grey](int x, int y) { return 0x010101u * g[y][x]; };
    EXPECT_EQ(Decoded(BuildBitmap(s, pixel)).levels, levels) << "first grey " << grey[0][0];
  }
}

// Larger headers, gaps before the pixels, trailing bytes and top-down rows
// are all common in real files; none may change the picture.
TEST(Layout, HeaderSizeGapsAndOrientationDoNotChangeThePicture) {
  auto pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 0x9E3779B1u + y * 0x85EBCA77u); };
  for (int bits : {4, 16, 32}) {
    BitmapSpec plain(bits, 11, 6);
    for (int k = 0; bits == 4 && k < 16; ++k) plain.palette.push_back(GreyEntry(static_cast<std::uint8_t>(k * 17)));
    const Bytes reference = Picture(BuildBitmap(plain, pixel));
    ASSERT_FALSE(reference.empty());
    for (auto [header, gap, trailing, topDown] : std::vector<std::tuple<std::uint32_t, int, int, bool>>{
             {40, 0, 0, true}, {108, 6, 2, true}, {124, 3, 5, false}}) {
      BitmapSpec s = plain;
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

}  // namespace
}  // namespace dockline::convert
