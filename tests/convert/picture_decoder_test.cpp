// The Linux decoders against pictures made here by the libraries' own
// writers (libpng, libjpeg, giflib) from known pixels: every variant must
// come back as those pixels, every pixel exactly once.
#include "convert/picture_decoder.h"

#if !defined(_WIN32) && !defined(DOCKLINE_NO_PICTURE_DECODERS)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include "convert/device_picture.h"
#include "convert/picture_fit.h"
#include "test_support.h"

namespace dockline::convert {
namespace {

using testutil::Bytes;
using Rgb = std::array<int, 3>;
using Sample = std::function<int(int x, int y, int channel)>;

// Keeps every pixel as the device's white paper shows it, and how often each came.
struct Recorder : PictureSink {
  PictureSize smallest{};  // {0, 0}: the stored size, no scaling
  int width = 0, height = 0, orientation = 0;
  PictureSize delivered;
  std::vector<Rgb> pixels;
  std::vector<int> seen;
  int stray = 0;  // pixels outside the delivered size
  bool Begin(int w, int h, int o) override {
    width = w, height = h, orientation = o;
    return true;
  }
  PictureSize Smallest() const override { return smallest.width ? smallest : PictureSize{width, height}; }
  void Delivering(int w, int h) override {
    delivered = {w, h};
    pixels.assign(static_cast<std::size_t>(w) * h, Rgb{});
    seen.assign(pixels.size(), 0);
  }
  void Pixels(int y, int x0, int step, int count, const std::uint8_t* p, PixelOrder order) override {
    const int n = order == PixelOrder::Rgb ? 3 : 4;
    for (int i = 0; i < count; ++i, p += n) {
      const int x = x0 + i * step;
      if (x < 0 || x >= delivered.width || y < 0 || y >= delivered.height) {
        ++stray;
        continue;
      }
      const std::size_t at = static_cast<std::size_t>(y) * delivered.width + x;
      const int a = n == 4 ? p[3] : 255;
      for (int c = 0; c < 3; ++c) pixels[at][c] = (p[c] * a + 255 * (255 - a) + 127) / 255;
      ++seen[at];
    }
  }
};

DecodeStatus Decode(const Bytes& file, PictureSink& sink, std::stop_token stop = {}) {
  std::FILE* f = fmemopen(const_cast<std::uint8_t*>(file.data()), file.size(), "rb");
  const DecodeStatus status = DecodePictureStream(f, sink, stop);
  std::fclose(f);
  return status;
}

// Every pixel delivered once, each channel within `tolerance` of `expected`.
void ExpectPixels(const Recorder& r, int w, int h, const std::function<Rgb(int, int)>& expected, int tolerance,
                  const std::string& what) {
  ASSERT_EQ(r.delivered.width, w) << what;
  ASSERT_EQ(r.delivered.height, h) << what;
  ASSERT_EQ(r.stray, 0) << what;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * w + x;
      const Rgb want = expected(x, y), got = r.pixels[at];
      ASSERT_EQ(r.seen[at], 1) << what << " at " << x << "," << y;
      for (int c = 0; c < 3; ++c)
        ASSERT_NEAR(got[c], want[c], tolerance) << what << " at " << x << "," << y << " channel " << c;
    }
}

// A memory stream for libpng's and libjpeg's stdio writers.
struct MemoryFile {
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* file = open_memstream(&data, &size);
  Bytes Close() {
    std::fclose(file);
    Bytes b(data, data + size);
    std::free(data);
    return b;
  }
};

// ---- PNG ------------------------------------------------------------------

struct PngKind {
  const char* name;
  int colourType, depth;
  bool keyed = false;  // a single transparent colour (tRNS) for grey or RGB
};

int Channels(int colourType) {
  return colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : colourType == PNG_COLOR_TYPE_RGB ? 3
         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2 : 1;
}

Bytes WritePng(int w, int h, const PngKind& k, bool interlaced, const Sample& sample) {
  MemoryFile out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, out.file);
  png_set_IHDR(png, info, w, h, k.depth, k.colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette(16);
  std::vector<png_byte> alpha = {0, 128, 255, 40};
  for (int i = 0; i < 16; ++i)
    palette[i] = {static_cast<png_byte>(i * 16), static_cast<png_byte>(255 - i * 9), static_cast<png_byte>(i * i)};
  png_color_16 key{0, static_cast<png_uint_16>(sample(-1, -1, 0)), static_cast<png_uint_16>(sample(-1, -1, 1)),
                   static_cast<png_uint_16>(sample(-1, -1, 2)), static_cast<png_uint_16>(sample(-1, -1, 0))};
  if (k.colourType == PNG_COLOR_TYPE_PALETTE) {
    png_set_PLTE(png, info, palette.data(), 16);
    png_set_tRNS(png, info, alpha.data(), 4, nullptr);
  }
  if (k.keyed) png_set_tRNS(png, info, nullptr, 0, &key);
  png_write_info(png, info);
  if (k.depth < 8) png_set_packing(png);
  const int passes = interlaced ? png_set_interlace_handling(png) : 1;
  const int channels = Channels(k.colourType), bytes = k.depth == 16 ? 2 : 1;
  std::vector<png_byte> row(static_cast<std::size_t>(w) * channels * bytes);
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < h; ++y) {
      for (int x = 0, at = 0; x < w; ++x)
        for (int c = 0; c < channels; ++c) {
          const int v = sample(x, y, c);
          if (bytes == 2) row[at++] = static_cast<png_byte>(v >> 8);
          row[at++] = static_cast<png_byte>(v);
        }
      png_write_row(png, row.data());
    }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out.Close();
}

// What a pixel of the file shows over white, worked out from its samples.
Rgb PngShown(const PngKind& k, const Sample& sample, int x, int y) {
  const int most = (1 << k.depth) - 1;
  const auto eight = [&](int v) { return k.depth == 16 ? v >> 8 : v * 255 / most; };
  int rgba[4] = {0, 0, 0, 255};
  const int channels = Channels(k.colourType);
  bool key = k.keyed;
  for (int c = 0; c < channels; ++c) key = key && sample(x, y, c) == sample(-1, -1, c);
  if (k.colourType == PNG_COLOR_TYPE_PALETTE) {
    const int i = sample(x, y, 0);
    rgba[0] = i * 16, rgba[1] = 255 - i * 9, rgba[2] = i * i, rgba[3] = i < 4 ? std::array{0, 128, 255, 40}[i] : 255;
  } else {
    for (int c = 0; c < 3; ++c) rgba[c] = eight(sample(x, y, channels >= 3 ? c : 0));
    if (channels == 2 || channels == 4) rgba[3] = eight(sample(x, y, channels - 1));
  }
  if (key) rgba[3] = 0;
  Rgb shown;
  for (int c = 0; c < 3; ++c) shown[c] = (rgba[c] * rgba[3] + 255 * (255 - rgba[3]) + 127) / 255;
  return shown;
}

// Each kind, plain and interlaced, at sizes whose passes leave some empty
// (one column, one row) and one that has them all.
TEST(PngDecoder, EveryKindPlainAndInterlacedComesBackAsWritten) {
  const PngKind kinds[] = {
      {"RGB", PNG_COLOR_TYPE_RGB, 8},
      {"RGBA 16 bits", PNG_COLOR_TYPE_RGB_ALPHA, 16},
      {"grey and alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
      {"grey 2 bits", PNG_COLOR_TYPE_GRAY, 2},
      {"palette and transparency", PNG_COLOR_TYPE_PALETTE, 4},
      {"RGB with a transparent colour", PNG_COLOR_TYPE_RGB, 8, true},
      {"grey 16 bits with a transparent grey", PNG_COLOR_TYPE_GRAY, 16, true},
  };
  for (const PngKind& k : kinds) {
    const int most = (1 << k.depth) - 1;
    // Neighbours differ in every channel; every third pixel is the transparent colour.
    const Sample sample = [&](int x, int y, int c) {
      if (k.keyed && (x < 0 || (x + 2 * y) % 3 == 0)) return (40 + 70 * c) * most / 255;
      if (k.colourType == PNG_COLOR_TYPE_PALETTE) return (x * 5 + y * 3) % 16;
      return static_cast<int>((x * 37 + y * 101 + c * 59 + x * y * 7) * 2654435761u % (most + 1));
    };
    for (const auto& [w, h] : {std::pair{1, 1}, {5, 1}, {1, 6}, {13, 11}})
      for (const bool interlaced : {false, true}) {
        Recorder r;
        const std::string what = std::string(k.name) + (interlaced ? " interlaced " : " ") + std::to_string(w) + "x" +
                                 std::to_string(h);
        ASSERT_EQ(Decode(WritePng(w, h, k, interlaced, sample), r), DecodeStatus::Ok) << what;
        ExpectPixels(r, w, h, [&](int x, int y) { return PngShown(k, sample, x, y); }, 0, what);
      }
  }
}

// ---- JPEG -----------------------------------------------------------------

struct JpegKind {
  const char* name;
  J_COLOR_SPACE stored = JCS_YCbCr;  // JCS_GRAYSCALE, JCS_CMYK, JCS_YCCK
  bool progressive = false;
  bool adobe = true;  // the Adobe marker, for CMYK
};

// pixel(x, y) gives RGB, or for CMYK the ink (0: none); APP1 segments go after JFIF's.
Bytes WriteJpeg(int w, int h, const JpegKind& k, const std::function<std::array<int, 4>(int, int)>& pixel,
                const std::vector<std::pair<int, Bytes>>& markers = {}, int quality = 100) {
  MemoryFile out;
  jpeg_compress_struct c{};
  jpeg_error_mgr error{};
  c.err = jpeg_std_error(&error);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, out.file);
  const bool cmyk = k.stored == JCS_CMYK || k.stored == JCS_YCCK;
  c.image_width = w, c.image_height = h;
  c.input_components = k.stored == JCS_GRAYSCALE ? 1 : cmyk ? 4 : 3;
  c.in_color_space = k.stored == JCS_GRAYSCALE ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, k.stored);
  c.write_Adobe_marker = cmyk && k.adobe;
  jpeg_set_quality(&c, quality, TRUE);
  if (k.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  for (const auto& [code, data] : markers) jpeg_write_marker(&c, code, data.data(), static_cast<unsigned>(data.size()));
  std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * c.input_components);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      for (int i = 0; i < c.input_components; ++i) {
        const int v = pixel(x, y)[i];  // Adobe's convention: the light left
        row[static_cast<std::size_t>(x) * c.input_components + i] = static_cast<JSAMPLE>(cmyk && k.adobe ? 255 - v : v);
      }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return out.Close();
}

// Four flat quarters (on whole blocks) of a picture w × h, in RGB or in ink.
std::function<std::array<int, 4>(int, int)> Quarters(int w, int h, bool ink) {
  return [=](int x, int y) {
    const int q = (x >= w / 2) + 2 * (y >= h / 2);
    static constexpr std::array<int, 4> kRgb[] = {{255, 0, 0}, {0, 0, 255}, {255, 255, 255}, {20, 140, 60}};
    static constexpr std::array<int, 4> kInk[] = {{0, 255, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 200}};
    return (ink ? kInk : kRgb)[q];
  };
}

TEST(JpegDecoder, EveryKindComesBackAsWrittenWithinTheLossOfCoding) {
  const JpegKind kinds[] = {
      {"baseline"}, {"progressive", JCS_YCbCr, true}, {"grey", JCS_GRAYSCALE},
      {"CMYK with Adobe's marker", JCS_CMYK}, {"CMYK without it", JCS_CMYK, false, false},
      {"YCCK", JCS_YCCK, true},
  };
  for (const JpegKind& k : kinds) {
    const bool ink = k.stored == JCS_CMYK || k.stored == JCS_YCCK;
    const auto pixel = Quarters(32, 32, ink);
    Recorder r;
    ASSERT_EQ(Decode(WriteJpeg(32, 32, k, pixel), r), DecodeStatus::Ok) << k.name;
    ExpectPixels(r, 32, 32, [&](int x, int y) {
      const auto p = pixel(x, y);
      const auto light = [&](int i) { return (255 - p[i]) * (255 - p[3]) / 255; };
      if (ink) return Rgb{light(0), light(1), light(2)};
      return k.stored == JCS_GRAYSCALE ? Rgb{p[0], p[0], p[0]} : Rgb{p[0], p[1], p[2]};
    }, 3, k.name);
  }
}

// A large photograph is reduced by libjpeg's DCT scaling on the way: it
// must still arrive whole, as the device's greys of what it shows.
TEST(JpegDecoder, ReducedWhileDecodingItArrivesWholeInTheDevicesGreys) {
  PictureBuilder builder;
  ASSERT_EQ(Decode(WriteJpeg(1280, 960, {"large"}, Quarters(1280, 960, false), {}, 95), builder), DecodeStatus::Ok);
  ASSERT_EQ(builder.Fitted().width, 320);
  const std::vector<std::int16_t> greys = builder.Greys();
  const int want[] = {76, 29, 255, 95};  // 0.299 red + 0.587 green + 0.114 blue
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      if (x % 160 == 0 || x % 160 == 159 || y % 120 == 0 || y % 120 == 119) continue;  // where quarters meet
      ASSERT_NEAR(greys[y * 320 + x], want[(x >= 160) + 2 * (y >= 120)], 3) << x << "," << y;
    }
}

// An APP1 block holding only the orientation, in either byte order.
Bytes ExifApp1(bool bigEndian, int orientation) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  const auto put = [&](unsigned v, int n) {
    for (int k = 0; k < n; ++k) b.push_back(static_cast<std::uint8_t>(v >> 8 * (bigEndian ? n - 1 - k : k)));
  };
  b.push_back(bigEndian ? 'M' : 'I'), b.push_back(bigEndian ? 'M' : 'I');
  put(42, 2), put(8, 4), put(1, 2);                                                       // one entry
  put(0x112, 2), put(3, 2), put(1, 4), put(static_cast<unsigned>(orientation), 2), put(0, 2), put(0, 4);
  return b;
}

TEST(JpegDecoder, FindsTheOrientationWhereverItsBlockSits) {
  const Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.', 'a', 'd', 'o', 'b', 'e', 0};
  const Bytes profile(60000, 0x5A);  // a colour profile's worth of other segments before it
  for (int v = 1; v <= 8; ++v) {
    std::vector<std::pair<int, Bytes>> markers = {{JPEG_APP0 + 1, xmp}};
    for (int k = 0; k < (v % 3) * 2; ++k) markers.push_back({JPEG_APP0 + 2, profile});
    markers.push_back({JPEG_APP0 + 1, ExifApp1(v % 2 == 0, v)});
    Recorder r;
    ASSERT_EQ(Decode(WriteJpeg(16, 8, {"turned"}, Quarters(16, 8, false), markers), r), DecodeStatus::Ok);
    EXPECT_EQ(r.orientation, v) << "orientation " << v;
  }
}

// ---- GIF ------------------------------------------------------------------

struct GifFrame {
  int left, top, width, height;
  std::function<int(int, int)> index;
  bool interlaced = false;
  int transparent = -1;
};

GifColorType Colour(int i) {
  return {static_cast<GifByteType>(i * 40), static_cast<GifByteType>(250 - i * 30), static_cast<GifByteType>(i * 90 % 256)};
}

Bytes WriteGif(int w, int h, const std::vector<GifFrame>& frames) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, [](GifFileType* g, const GifByteType* p, int n) {
    static_cast<Bytes*>(g->UserData)->insert(static_cast<Bytes*>(g->UserData)->end(), p, p + n);
    return n;
  }, &error);
  std::array<GifColorType, 8> colours;
  for (int i = 0; i < 8; ++i) colours[i] = Colour(i);
  ColorMapObject* map = GifMakeMapObject(8, colours.data());
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, w, h, 8, 0, map);
  for (const GifFrame& f : frames) {
    // A delay (bytes 2 and 5) beside the transparent index: a misread byte shows.
    const GifByteType control[4] = {static_cast<GifByteType>(f.transparent >= 0), 2, 5,
                                    static_cast<GifByteType>(std::max(0, f.transparent))};
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
    EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, nullptr);
    std::vector<GifPixelType> line(static_cast<std::size_t>(f.width));
    for (int pass = 0; pass < (f.interlaced ? 4 : 1); ++pass)
      for (int y = f.interlaced ? std::array{0, 4, 2, 1}[pass] : 0; y < f.height;
           y += f.interlaced ? std::array{8, 8, 4, 2}[pass] : 1) {
        for (int x = 0; x < f.width; ++x) line[x] = static_cast<GifPixelType>(f.index(x, y));
        EGifPutLine(gif, line.data(), f.width);
      }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

TEST(GifDecoder, TheFirstFrameAtItsPlaceClippedToTheScreenOverWhite) {
  const auto pattern = [](int x, int y) { return (x * 3 + y * 5 + x * y) % 8; };
  const GifFrame first{7, 5, 20, 15, pattern, false, 6}, cover{0, 0, 40, 30, [](int, int) { return 1; }};
  const struct {
    const char* name;
    std::vector<GifFrame> frames;
  } cases[] = {
      {"first frame of two, with a transparent index", {first, cover}},
      {"interlaced, past the screen's corner", {{30, 20, 25, 17, pattern, true}}},
      {"wholly off the screen", {{40, 0, 5, 5, pattern}}},
  };
  for (const auto& c : cases) {
    const GifFrame& f = c.frames[0];
    Recorder r;
    ASSERT_EQ(Decode(WriteGif(40, 30, c.frames), r), DecodeStatus::Ok) << c.name;
    ExpectPixels(r, 40, 30, [&](int x, int y) {
      const bool inside = x >= f.left && x < f.left + f.width && y >= f.top && y < f.top + f.height;
      const int i = inside ? f.index(x - f.left, y - f.top) : -1;
      if (i < 0 || i == f.transparent) return Rgb{255, 255, 255};
      const GifColorType k = Colour(i);
      return Rgb{k.Red, k.Green, k.Blue};
    }, 0, c.name);
  }
}

// Far larger than the sink needs, the screen comes averaged by whole
// blocks: here 4 × 4, each of one colour or of the white around the frame.
TEST(GifDecoder, AScreenFarLargerThanNeededArrivesAveragedDown) {
  const auto blocks = [](int x, int y) { return (x / 4 + y / 4) % 2 ? 0 : 3; };
  Recorder r;
  r.smallest = {100, 75};
  ASSERT_EQ(Decode(WriteGif(400, 300, {{40, 20, 80, 60, blocks}}), r), DecodeStatus::Ok);
  ExpectPixels(r, 100, 75, [&](int x, int y) {
    if (x < 10 || x >= 30 || y < 5 || y >= 20) return Rgb{255, 255, 255};
    const GifColorType k = Colour(blocks(4 * x - 40, 4 * y - 20));
    return Rgb{k.Red, k.Green, k.Blue};
  }, 0, "400 x 300 by 4");
}

// ---- Files that claim what they do not hold --------------------------------

// The 4th and 5th bytes past a start-of-frame marker hold the height and width.
Bytes Claiming(Bytes jpeg, int width, int height) {
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8), jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8), jpeg[i + 8] = static_cast<std::uint8_t>(width);
      break;
    }
  return jpeg;
}

TEST(Decoders, FilesClaimingMoreThanTheyHoldAreRefusedOrBounded) {
  const Bytes progressive = WriteJpeg(16, 16, {"p", JCS_YCbCr, true}, Quarters(16, 16, false));
  // The last scan again and again, as a file made to take time repeats it.
  Bytes scans = progressive;
  std::size_t last = 0;
  for (std::size_t i = 0; i + 1 < scans.size(); ++i)
    if (scans[i] == 0xFF && scans[i + 1] == 0xDA) last = i;
  const Bytes lastScan(progressive.begin() + static_cast<std::ptrdiff_t>(last), progressive.end() - 2);
  for (int k = 0; k < 120; ++k) scans.insert(scans.end() - 2, lastScan.begin(), lastScan.end());
  Bytes chatty = WriteGif(4, 4, {{0, 0, 4, 4, [](int, int) { return 1; }}});
  const Bytes comment = {0x21, 0xFE, 1, 'x', 0};
  for (int k = 0; k < 300; ++k) chatty.insert(chatty.begin() + 13 + 24, comment.begin(), comment.end());
  const struct {
    const char* name;
    Bytes file;
    DecodeStatus status;
  } cases[] = {
      {"progressive JPEG of 20000 x 20000 in 500 bytes", Claiming(progressive, 20000, 20000), DecodeStatus::OverBudget},
      {"progressive JPEG of 6000 x 6000: 108 MB of coefficients", Claiming(progressive, 6000, 6000), DecodeStatus::OverBudget},
      {"progressive JPEG of 4000 x 3000", Claiming(progressive, 4000, 3000), DecodeStatus::Ok},
      {"progressive JPEG repeating its last scan 120 times", scans, DecodeStatus::Damaged},
      {"GIF with 300 comments before its frame", chatty, DecodeStatus::Damaged},
  };
  for (const auto& c : cases) {
    PictureBuilder builder;
    EXPECT_EQ(Decode(c.file, builder), c.status) << c.name;
  }
}

// A stream that asks for a stop once the decoder has read past `at`.
struct StoppingStream {
  StoppingStream(const Bytes& b, std::size_t a) : bytes(b), at(a) {}
  const Bytes& bytes;
  std::size_t at;
  std::stop_source stop;
  std::size_t position = 0;
  static ssize_t Read(void* self, char* buffer, std::size_t n) {
    auto& s = *static_cast<StoppingStream*>(self);
    n = std::min(n, s.bytes.size() - s.position);
    std::memcpy(buffer, s.bytes.data() + s.position, n);
    if ((s.position += n) >= s.at) s.stop.request_stop();
    return static_cast<ssize_t>(n);
  }
  static int Seek(void* self, off64_t* offset, int whence) {
    auto& s = *static_cast<StoppingStream*>(self);
    const std::size_t from = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s.position : s.bytes.size();
    s.position = static_cast<std::size_t>(static_cast<off64_t>(from) + *offset);
    *offset = static_cast<off64_t>(s.position);
    return 0;
  }
};

// A stop asked a third of the way into a file ends its decoding there, a
// progressive JPEG's too, whose scans are all taken in before any row comes.
TEST(Decoders, AStopEndsTheDecodingWhereItIs) {
  const auto noise = [](int x, int y, int c) {
    return static_cast<int>((x * 7919u + y * 104729u + c * 13u) * 2654435761u >> 24);
  };
  const auto rgb = [&](int x, int y) { return std::array{noise(x, y, 0), noise(x, y, 1), noise(x, y, 2), 0}; };
  const struct {
    const char* name;
    Bytes file;
  } cases[] = {
      {"PNG", WritePng(1024, 1024, {"RGB", PNG_COLOR_TYPE_RGB, 8}, true, noise)},
      {"baseline JPEG", WriteJpeg(1024, 1024, {"baseline"}, rgb, {}, 95)},
      {"progressive JPEG", WriteJpeg(1024, 1024, {"progressive", JCS_YCbCr, true}, rgb, {}, 95)},
      {"GIF", WriteGif(1024, 1024, {{0, 0, 1024, 1024, [&](int x, int y) { return noise(x, y, 0) % 8; }}})},
  };
  for (const auto& c : cases) {
    StoppingStream stream{c.file, c.file.size() / 3};
    std::FILE* f = fopencookie(&stream, "rb", {StoppingStream::Read, nullptr, StoppingStream::Seek, nullptr});
    PictureBuilder builder;
    EXPECT_EQ(DecodePictureStream(f, builder, stream.stop.get_token()), DecodeStatus::Stopped) << c.name;
    EXPECT_LT(stream.position, stream.at + 65536) << c.name << " read on after the stop";
    std::fclose(f);
  }
}

}  // namespace
}  // namespace dockline::convert
#endif
