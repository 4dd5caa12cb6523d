#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "convert/exif_orientation.h"
#include "convert/picture_file.h"
#include "convert/picture_fit.h"
#include "test_support.h"

namespace dockline::convert {
namespace {

using namespace testutil;

TEST(PictureFit, KeepsProportionsAndNeverEnlarges) {
  const std::vector<std::tuple<int, int, int, int>> cases = {
      {4000, 3000, 320, 240}, {3000, 4000, 180, 240}, {1600, 1200, 320, 240},
      {320, 240, 320, 240},   {100, 50, 100, 50},     {321, 100, 320, 100},  // 99.7 rounds up
      {10000, 10, 320, 1},    {10, 10000, 1, 240},    {641, 240, 320, 120},
  };
  for (const auto& [w, h, fw, fh] : cases) {
    const PictureSize fit = FitInside(w, h, 320, 240);
    EXPECT_EQ(fit.width, fw) << w << "x" << h;
    EXPECT_EQ(fit.height, fh) << w << "x" << h;
  }
}

// Pictures handed to the builder as a decoder would, greys read back.
struct Built {
  PictureSize size;
  std::vector<std::int16_t> greys;
};
Built Build(int w, int h, int orientation, const std::function<std::uint32_t(int, int)>& rgba,
            bool interlaced = false) {
  PictureBuilder b;
  EXPECT_TRUE(b.Begin(w, h, orientation));
  b.Delivering(w, h);
  auto row = [&](int y, int x0, int step) {
    Bytes px;
    for (int x = x0; x < w; x += step)
      for (int k : {24, 16, 8, 0}) px.push_back(static_cast<std::uint8_t>(rgba(x, y) >> k));
    b.Pixels(y, x0, step, static_cast<int>(px.size() / 4), px.data(), PixelOrder::Rgba);
  };
  if (interlaced) {  // odd rows first, then the even ones in two halves by column
    for (int y = 1; y < h; y += 2) row(y, 0, 1);
    for (int y = h & ~1; y >= 0; y -= 2) row(y, 1, 2), row(y, 0, 2);
  } else {
    for (int y = 0; y < h; ++y) row(y, 0, 1);
  }
  return {b.Fitted(), b.Greys()};
}

TEST(PictureFit, TurnsThePictureUprightForEveryOrientation) {
  // Stored 3 × 2: grey 10·(index) at each place, so every pixel can be found again.
  const auto stored = [](int x, int y) { return static_cast<std::uint32_t>(0x010101u * (10 * (3 * y + x) + 5)) << 8 | 0xFF; };
  // Where each stored pixel (by index) is shown, row by row of the upright picture.
  const std::vector<std::pair<int, std::vector<int>>> cases = {
      {1, {0, 1, 2, 3, 4, 5}}, {2, {2, 1, 0, 5, 4, 3}}, {3, {5, 4, 3, 2, 1, 0}}, {4, {3, 4, 5, 0, 1, 2}},
      {5, {0, 3, 1, 4, 2, 5}}, {6, {3, 0, 4, 1, 5, 2}}, {7, {5, 2, 4, 1, 3, 0}}, {8, {2, 5, 1, 4, 0, 3}},
  };
  for (const auto& [orientation, order] : cases) {
    const Built b = Build(3, 2, orientation, stored);
    EXPECT_EQ(b.size.width, SwapsAxes(orientation) ? 2 : 3);
    std::vector<int> seen;
    for (auto g : b.greys) seen.push_back((g - 5) / 10);
    EXPECT_EQ(seen, order) << "orientation " << orientation;
  }
}

TEST(PictureFit, AveragesInLinearLightAndLeavesUnscaledGreysAsTheyAre) {
  // Every 8-bit grey comes back as itself when nothing is scaled.
  const Built ramp = Build(256, 1, 1, [](int x, int) { return 0x01010100u * static_cast<std::uint32_t>(x) | 0xFF; });
  for (int x = 0; x < 256; ++x) ASSERT_EQ(ramp.greys[x], x);
  // Black and white stripes a pixel wide, scaled by half: the light of mid-grey,
  // 188 in sRGB, not the 128 of averaging the coded values.
  const Built stripes = Build(640, 2, 1, [](int x, int) { return x % 2 ? 0xFFFFFFFFu : 0x000000FFu; });
  EXPECT_EQ(stripes.size.width, 320);
  EXPECT_EQ(stripes.size.height, 1);
  for (auto g : stripes.greys) EXPECT_NEAR(g, 188, 1);
  // Pixels in interlaced passes add up to what whole rows give; a transparent
  // pixel shows the white paper.
  const auto pattern = [](int x, int y) { return (x * 37 + y * 91) % 7 == 0 ? 0x20406000u : 0xC0A08080u | ((x + y) & 0xFF); };
  const Built rows = Build(700, 501, 1, pattern), passes = Build(700, 501, 1, pattern, true);
  ASSERT_EQ(rows.greys.size(), passes.greys.size());
  for (std::size_t k = 0; k < rows.greys.size(); ++k) ASSERT_NEAR(rows.greys[k], passes.greys[k], 1) << k;
  EXPECT_EQ(Build(1, 1, 1, [](int, int) { return 0x00000000u; }).greys[0], 255);
}

TEST(PictureFit, RefusesShapesNoPictureHasFromTheHeader) {
  const struct {
    int width, height;
    PictureShape shape;
  } cases[] = {
      {20000, 20000, PictureShape::Fine},          {20000, 20001, PictureShape::TooManyPixels},
      {65535, 6000, PictureShape::Fine},           {65536, 100, PictureShape::SideTooLong},
      {2000000000, 1, PictureShape::SideTooLong},  {1000, 1, PictureShape::Fine},
      {1, 1001, PictureShape::TooNarrow},          {0, 5, PictureShape::Empty},
  };
  for (const auto& c : cases) {
    PictureBuilder b;
    EXPECT_EQ(b.Begin(c.width, c.height, 1), c.shape == PictureShape::Fine) << c.width << "x" << c.height;
    EXPECT_EQ(b.Refusal(), c.shape) << c.width << "x" << c.height;
  }
  for (const int code : {kPictureTooManyPixels, kPictureSideTooLong, kPictureTooNarrow, kPictureOverBudget}) {
    const std::string text = PictureFileErrorText(code, "大.png");
    EXPECT_TRUE(text.starts_with("大.png") && text.find("图片太") != std::string::npos) << text;
  }
}

class PictureFiles : public ScratchTest {};

// Bitmaps the device's conversion takes keep its crop byte for byte; wider
// ones, which it refuses, are fitted whole by the platform's decoder.
TEST_F(PictureFiles, ConvertEveryBitmapAndPreviewWithoutWriting) {
  const Bytes narrow = BuildBitmap(BitmapLayout(24, 640, 480), [](int x, int) { return x < 320 ? 0u : 0xFFFFFFu; });
  const Bytes wide = BuildBitmap(BitmapLayout(24, 2560, 1920), [](int x, int) { return x < 1280 ? 0u : 0xFFFFFFu; });
  ASSERT_TRUE(platform::WriteWholeFile(Path("窄.bmp"), narrow));
  ASSERT_TRUE(platform::WriteWholeFile(Path("宽.BMP"), wide));
  Write(Path("文.bmp"), "not a picture at all");

  Bytes picture, crop;
  ASSERT_EQ(MakeDevicePicture(Path("窄.bmp"), picture), kPictureOk);
  ASSERT_EQ(BitmapToPicture(narrow, crop), kPictureOk);
  EXPECT_EQ(picture, crop);

  const PicturePreview whole = PreviewDevicePicture(Path("宽.BMP"));
  ASSERT_EQ(whole.code, kPictureOk);
  EXPECT_EQ(whole.picture.width, 320);
  EXPECT_EQ(whole.picture.height, 240);
  EXPECT_EQ(whole.deviceBytes, 15u + 80 * 240);
  // Black on the left half, white on the right: the whole width was seen.
  EXPECT_EQ(whole.picture.levels[10], 0);
  EXPECT_EQ(whole.picture.levels[310], 3);
  EXPECT_EQ(FileCount(), 3u) << "a preview writes nothing";

  ASSERT_EQ(ConvertPictureFile(Path("宽.BMP"), Path("宽.ych")), kPictureOk);
  const PicturePreview stored = PreviewDevicePicture(Path("宽.ych"));
  EXPECT_EQ(stored.code, kPictureOk);
  EXPECT_EQ(stored.picture.levels, whole.picture.levels);

  EXPECT_EQ(MakeDevicePicture(Path("文.bmp"), picture), kPictureNotConvertible);
  EXPECT_EQ(PictureFileErrorText(kPictureNotConvertible, Path("文.bmp")), Path("文.bmp") + "不是可以转换的图片文件。");
  EXPECT_EQ(MakeDevicePicture(Path("无.png"), picture), kPictureSourceMissing);
}

}  // namespace
}  // namespace dockline::convert
