#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <tuple>
#include <vector>

#include "convert/exif_orientation.h"
#include "convert/picture_header.h"
#include "test_support.h"

namespace dockline::convert {
namespace {

using testutil::Bytes;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::uint8_t U8(std::size_t v) { return static_cast<std::uint8_t>(v); }

Bytes Segment(int marker, const Bytes& body) {
  const std::size_t n = body.size() + 2;
  return Cat({{0xFF, U8(marker), U8(n >> 8), U8(n)}, body});
}

// A frame header: width, height and each component's sampling factors.
Bytes Frame(int marker, int width, int height, std::vector<std::pair<int, int>> sampling) {
  Bytes b = {8, U8(height >> 8), U8(height), U8(width >> 8), U8(width), U8(sampling.size())};
  int id = 1;
  for (auto [h, v] : sampling) b.insert(b.end(), {U8(id++), U8(h << 4 | v), 0});
  return Segment(marker, b);
}

Bytes Scan(int components) {
  Bytes b = {U8(components)};
  for (int c = 1; c <= components; ++c) b.insert(b.end(), {U8(c), 0});
  b.insert(b.end(), {0, 63, 0});
  return Cat({Segment(0xDA, b), {0x12, 0x34, 0xFF, 0xD9}});
}

Bytes Jpeg(std::initializer_list<Bytes> segments) { return Cat({{0xFF, 0xD8}, Cat(segments)}); }

// An APP1 segment's contents: a TIFF block whose first directory has `entries`.
Bytes Exif(bool bigEndian, std::vector<std::tuple<int, int, int, int>> entries) {  // tag, type, count, value
  Bytes t = {'E', 'x', 'i', 'f', 0, 0};
  auto put = [&](std::uint32_t v, int n) {
    for (int k = 0; k < n; ++k) t.push_back(static_cast<std::uint8_t>(bigEndian ? v >> 8 * (n - 1 - k) : v >> 8 * k));
  };
  t.push_back(bigEndian ? 'M' : 'I'), t.push_back(bigEndian ? 'M' : 'I');
  put(42, 2), put(8, 4), put(static_cast<std::uint32_t>(entries.size()), 2);
  for (auto [tag, type, count, value] : entries) put(tag, 2), put(type, 2), put(count, 4), put(value, 2), put(0, 2);
  put(0, 4);
  return t;
}
Bytes Turned(bool bigEndian, int orientation) { return Segment(0xE1, Exif(bigEndian, {{0x0112, 3, 1, orientation}})); }

// Counts what the reader asks for, to show that segments are skipped, not read.
class CountingBytes : public ByteSource {
 public:
  explicit CountingBytes(const Bytes& b, bool failing = false) : memory_(b), failing_(failing) {}
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got) const override {
    if (failing_) return false;
    const bool ok = memory_.ReadAt(offset, into, got);
    read += got;
    return ok;
  }
  mutable std::size_t read = 0;

 private:
  MemoryBytes memory_;
  bool failing_;
};

PictureHeader Read(const Bytes& b) { return ReadPictureHeader(MemoryBytes(b)); }

const Bytes kBaseline = Jpeg({Segment(0xE0, {'J', 'F', 'I', 'F', 0}), Segment(0xC4, {0, 1, 2, 3, 4, 5, 6, 7}),
                              Frame(0xC0, 640, 480, {{2, 2}, {1, 1}, {1, 1}}), Scan(3)});

TEST(PictureHeader, JpegFramesTellTheirSizeSamplingAndWhetherEveryCoefficientIsKept) {
  const auto yuv420 = std::vector<std::pair<int, int>>{{2, 2}, {1, 1}, {1, 1}};
  struct Case {
    Bytes file;
    int width, height;
    std::size_t components;
    bool whole;
  };
  const std::vector<Case> cases = {
      {kBaseline, 640, 480, 3, false},  // past JFIF and a table with C4 in its range
      {Jpeg({Frame(0xC2, 300, 200, yuv420), Scan(1)}), 300, 200, 3, true},  // progressive
      {Jpeg({Frame(0xCA, 300, 200, yuv420), Scan(3)}), 300, 200, 3, true},  // progressive, arithmetic
      {Jpeg({Frame(0xC1, 300, 200, yuv420), Scan(1)}), 300, 200, 3, true},  // sequential, its planes in several scans
      {Jpeg({Frame(0xC0, 65535, 1, {{1, 1}}), Scan(1)}), 65535, 1, 1, false},  // grey
      // Fill bytes before a marker, stray bytes and a restart marker between segments.
      {Cat({{0xFF, 0xD8, 0xFF}, Frame(0xC0, 8, 9, {{1, 1}}), {0x00, 0x7F, 0xFF, 0xD0}, Scan(1)}), 8, 9, 1, false},
  };
  for (const Case& c : cases) {
    const PictureHeader h = Read(c.file);
    EXPECT_EQ(h.kind, PictureKind::Jpeg);
    ASSERT_EQ(h.status, HeaderStatus::Ok) << c.width;
    EXPECT_EQ(std::tie(h.width, h.height), std::make_tuple(c.width, c.height));
    EXPECT_EQ(h.components.size(), c.components);
    EXPECT_EQ(h.wholeCoefficients, c.whole) << c.width;
  }
  const PictureHeader h = Read(kBaseline);
  EXPECT_EQ(std::tie(h.components[0].horizontal, h.components[0].vertical, h.components[1].horizontal),
            std::make_tuple(2, 2, 1));
  EXPECT_EQ(h.adobeTransform, -1);
  EXPECT_EQ(
      Read(Jpeg({Segment(0xEE, {'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 2}), Frame(0xC0, 8, 8, yuv420), Scan(3)}))
          .adobeTransform,
      2);
}

TEST(PictureHeader, OnlyAWholeCoefficientBufferPastItsShareIsOverBudget) {
  const auto yuv420 = std::vector<std::pair<int, int>>{{2, 2}, {1, 1}, {1, 1}};
  // 4:2:0 keeps three bytes a pixel: the 96 MiB share ends near 33 megapixels.
  EXPECT_TRUE(ExceedsDecodeBudget(Read(Jpeg({Frame(0xC2, 8000, 6000, yuv420), Scan(1)}))));
  EXPECT_TRUE(ExceedsDecodeBudget(Read(Jpeg({Frame(0xC0, 8000, 6000, yuv420), Scan(1)}))));
  EXPECT_FALSE(ExceedsDecodeBudget(Read(Jpeg({Frame(0xC2, 6000, 5000, yuv420), Scan(1)}))));
  EXPECT_FALSE(
      ExceedsDecodeBudget(Read(Jpeg({Frame(0xC0, 20000, 15000, yuv420), Scan(3)}))));  // decoded a band at a time
}

TEST(PictureHeader, OrientationComesFromTheFirstExifBlockBeforeTheImageDataInEitherByteOrder) {
  const Bytes frame = Frame(0xC0, 16, 8, {{1, 1}});
  for (int v = 1; v <= 8; ++v)
    for (bool big : {true, false}) EXPECT_EQ(Read(Jpeg({Turned(big, v), frame, Scan(1)})).orientation, v) << v << big;
  // After an ICC profile of 240 KB in APP2 segments, which are skipped unread.
  Bytes profile;
  for (int k = 0; k < 4; ++k) profile = Cat({profile, Segment(0xE2, Bytes(60000, 0xE1))});
  const std::string_view xmp = "http://ns.adobe.com/xap/1.0/";  // an APP1 block of another kind
  const Bytes late =
      Jpeg({profile, Segment(0xE1, Bytes(xmp.begin(), xmp.end())), Turned(false, 6), Turned(true, 3), frame, Scan(1)});
  CountingBytes counted(late);
  EXPECT_EQ(ReadPictureHeader(counted).orientation, 6);
  EXPECT_LT(counted.read, 40'000u);  // a few kilobytes at each segment's start, not the 240 KB skipped
  EXPECT_EQ(JpegOrientation(late), 6);
  // After the image data it is not looked for.
  EXPECT_EQ(Read(Jpeg({frame, Scan(1), Turned(true, 6)})).orientation, 1);

  const std::vector<std::pair<Bytes, int>> cases = {
      {Segment(0xE1, Exif(true, {{0x0110, 2, 4, 0}, {0x0112, 3, 1, 6}})), 6},  // after another tag
      {Segment(0xE1, Exif(false, {{0x0112, 4, 1, 6}})), 1},                    // a long, not a short
      {Segment(0xE1, Exif(false, {{0x0112, 3, 1, 9}})), 1},                    // out of range
      {Segment(0xE1, Exif(false, {})), 1},
  };
  for (const auto& [app1, orientation] : cases) EXPECT_EQ(JpegOrientation(Jpeg({app1, frame, Scan(1)})), orientation);
  Bytes far = Exif(false, {{0x0112, 3, 1, 6}});
  far[10] = 0xF0;  // its directory points past the end
  EXPECT_EQ(ExifOrientation(far), 1);
}

Bytes Png(std::uint32_t width, std::uint32_t height) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (std::uint32_t v : {width, height})
    for (int k = 3; k >= 0; --k) b.push_back(static_cast<std::uint8_t>(v >> 8 * k));
  return Cat({b, {8, 6, 0, 0, 1, 0xAA, 0xBB, 0xCC, 0xDD}});
}

// A screen with a global palette, a graphic control and a comment before its first frame.
Bytes Gif(int left, int top, int width, int height) {
  auto le = [](int v) { return Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; };
  return Cat({{'G', 'I', 'F', '8', '9', 'a'},
              le(320),
              le(240),
              {0x81, 0, 0},
              Bytes(12, 0x40),
              {0x21, 0xF9, 4, 1, 0, 0, 3, 0},
              {0x21, 0xFE, 3, 'a', 'b', 'c', 2, 'd', 'e', 0},
              {0x2C},
              le(left),
              le(top),
              le(width),
              le(height),
              {0, 2, 2, 0x4C, 1, 0, 0x3B}});
}

TEST(PictureHeader, PngAndGifGiveTheirSizeAndTheGifItsFirstFramesPlace) {
  const PictureHeader png = Read(Png(4000, 3000));
  EXPECT_EQ(std::tie(png.kind, png.status, png.width, png.height),
            std::make_tuple(PictureKind::Png, HeaderStatus::Ok, 4000, 3000));
  EXPECT_EQ(Read(Png(0x80000000u, 1)).status, HeaderStatus::Damaged);
  const PictureHeader gif = Read(Gif(300, 10, 100, 50));
  EXPECT_EQ(std::tie(gif.kind, gif.status, gif.width, gif.height),
            std::make_tuple(PictureKind::Gif, HeaderStatus::Ok, 320, 240));
  EXPECT_EQ(std::tie(gif.frameLeft, gif.frameTop, gif.frameWidth, gif.frameHeight), std::make_tuple(300, 10, 100, 50));
  EXPECT_EQ(Read(Bytes{'B', 'M', 0}).kind, PictureKind::Bitmap);
  EXPECT_EQ(Read(Bytes{'I', 'I', '*', 0}).kind, PictureKind::Other);
}

TEST(PictureHeader, CutOrBrokenHeadersAreDamagedAndFailedReadsUnreadable) {
  const auto headerEnd = [](const Bytes& b, std::initializer_list<std::uint8_t> until) {
    return static_cast<std::size_t>(std::search(b.begin(), b.end(), until.begin(), until.end()) - b.begin()) +
           until.size();
  };
  // Cut anywhere before the end of what the header needs, each kind is damaged.
  for (const auto& [file, needed] :
       {std::pair{kBaseline, headerEnd(kBaseline, {0xFF, 0xDA, 0, 12, 3})}, std::pair{Png(10, 10), std::size_t{29}},
        std::pair{Gif(0, 0, 1, 1), std::size_t{52}}}) {
    const PictureKind kind = Read(file).kind;
    for (std::size_t n = 3; n < needed; ++n) {
      const PictureHeader h = Read(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)));
      if (h.kind == kind) {
        EXPECT_EQ(h.status, HeaderStatus::Damaged) << n;
      }
    }
    EXPECT_EQ(Read(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(needed))).status, HeaderStatus::Ok);
  }
  const Bytes frame = Frame(0xC0, 16, 8, {{1, 1}}), gif = Gif(0, 0, 1, 1);
  for (const Bytes& broken : {Jpeg({Scan(1)}),                                       // a scan before any frame
                              Jpeg({frame, frame, Scan(1)}),                         // two frames
                              Jpeg({Frame(0xC0, 16, 8, {{5, 1}}), Scan(1)}),         // sampling past 4
                              Jpeg({Frame(0xC0, 16, 8, {}), Scan(1)}),               // no component
                              Jpeg({Segment(0xE0, {}), {0xFF, 0xD9}}),               // the end before a scan
                              Cat({Jpeg({frame}), {0xFF, 0xDA, 0, 1}}),              // a length shorter than itself
                              Cat({Bytes(gif.begin(), gif.begin() + 25), {0x3B}})})  // a GIF ending before any frame
    EXPECT_EQ(Read(broken).status, HeaderStatus::Damaged);
  EXPECT_EQ(ReadPictureHeader(CountingBytes(kBaseline, true)).status, HeaderStatus::Unreadable);
}

}  // namespace
}  // namespace dockline::convert
