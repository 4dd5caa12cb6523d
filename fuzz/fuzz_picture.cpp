// Our decoding front end over the platform's decoders (libjpeg-turbo, libpng,
// giflib, and our bitmap reader) on arbitrary bytes, as the native build
// runs it. Beyond not crashing, for what decodes:
// - the fitted picture fits the screen and reads back as a device picture;
// - at full size every pixel arrives exactly once, inside the delivered size;
// - a stop asked before the first row ends the decode with Stopped, no pixel delivered;
// - where a second way to the same pixels exists, both agree: a PNG
//   against libpng's own reading of the whole picture (its interlaced
//   passes put together by libpng), a grey JPEG reduced
//   by libjpeg against its full decode averaged by blocks, a GIF screen
//   averaged down against the full screen averaged here.
#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stop_token>
#include <vector>

#include <png.h>

#include "convert/device_picture.h"
#include "convert/picture_fit.h"

namespace {

using namespace dockline::convert;

void Check(bool ok) {
  if (!ok) std::abort();
}

// Pictures up to this many pixels are also decoded at full size and compared.
constexpr std::uint64_t kFullSizePixels = 1 << 18;

// Every pixel as delivered (RGBA), and how often each came.
struct Recorder : PictureSink {
  PictureSize smallest{};  // {0, 0}: the stored size
  std::stop_source* stopAtBegin = nullptr;
  int width = 0, height = 0, calls = 0;
  PictureSize delivered;
  std::vector<std::uint8_t> rgba;
  std::vector<std::uint8_t> seen;
  bool Begin(int w, int h, int) override {
    width = w, height = h;
    if (stopAtBegin) stopAtBegin->request_stop();
    return CheckPictureShape(w, h) == PictureShape::Fine;
  }
  PictureSize Smallest() const override { return smallest.width ? smallest : PictureSize{width, height}; }
  void Delivering(int w, int h) override {
    Check(w >= Smallest().width && h >= Smallest().height && w <= width && h <= height);
    delivered = {w, h};
    rgba.assign(4 * static_cast<std::size_t>(w) * h, 0);
    seen.assign(static_cast<std::size_t>(w) * h, 0);
  }
  void Pixels(int y, int x0, int step, int count, const std::uint8_t* p, PixelOrder order) override {
    ++calls;
    Check(y >= 0 && y < delivered.height && x0 >= 0 && step >= 1 && count >= 0);
    const int n = order == PixelOrder::Rgb ? 3 : 4;
    for (int i = 0; i < count; ++i, p += n) {
      const int x = x0 + i * step;
      Check(x < delivered.width);
      const std::size_t at = static_cast<std::size_t>(y) * delivered.width + x;
      Check(seen[at]++ == 0);
      for (int c = 0; c < 3; ++c) rgba[4 * at + c] = p[order == PixelOrder::Bgra ? 2 - c : c];
      rgba[4 * at + 3] = n == 4 ? p[3] : 255;
    }
  }
  bool Whole() const {
    for (auto s : seen)
      if (s != 1) return false;
    return true;
  }
};

DecodeStatus Decode(const std::uint8_t* data, std::size_t size, PictureSink& sink, std::stop_token stop = {}) {
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (!file) std::abort();
  const DecodeStatus status = DecodePictureStream(file, sink, stop);
  std::fclose(file);
  return status;
}

// ---- a PNG read whole by libpng, its passes put together by libpng itself ----

struct PngReader {
  const std::uint8_t* data;
  std::size_t size, at = 8;  // the signature is checked by the caller
};

extern "C" void PngReadMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
  if (n > r->size - r->at) png_error(png, "short");
  std::memcpy(out, r->data + r->at, n);
  r->at += n;
}

bool PngWhole(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& image) {
  PngReader reader{data, size};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  bool ok = false;
  if (!setjmp(png_jmpbuf(png))) {
    png_set_read_fn(png, &reader, PngReadMemory);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    image.assign(4 * static_cast<std::size_t>(w) * h, 0);
    for (png_uint_32 y = 0; y < h; ++y) rows.push_back(image.data() + 4 * static_cast<std::size_t>(w) * y);
    png_read_image(png, rows.data());
    ok = true;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

// ---- averages in linear light ----------------------------------------------

const std::array<double, 256>& LinearTable() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (int v = 0; v < 256; ++v) {
      const double c = v / 255.0;
      t[v] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    return t;
  }();
  return table;
}

int NearestSrgb(double light) {
  const auto& t = LinearTable();
  const int above = static_cast<int>(std::lower_bound(t.begin(), t.end(), light) - t.begin());
  if (above == 0) return 0;
  if (above == 256) return 255;
  return light - t[above - 1] < t[above] - light ? above - 1 : above;
}

// A GIF screen delivered averaged down must be the full screen averaged by the same blocks.
void CheckGifAveraged(const std::uint8_t* data, std::size_t size, const Recorder& full) {
  if (full.width < 4 || full.height < 4) return;
  Recorder reduced;
  reduced.smallest = {full.width / 3, full.height / 3};
  Check(Decode(data, size, reduced) == DecodeStatus::Ok && reduced.Whole());
  // The whole factor the screen is averaged by: the most that keeps it at least as large as asked.
  const int f = std::max(1, std::min(full.width / reduced.smallest.width, full.height / reduced.smallest.height));
  Check((full.width + f - 1) / f == reduced.delivered.width && (full.height + f - 1) / f == reduced.delivered.height);
  for (int y = 0; y < reduced.delivered.height; ++y)
    for (int x = 0; x < reduced.delivered.width; ++x)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        int n = 0;
        for (int v = y * f; v < std::min(full.height, (y + 1) * f); ++v)
          for (int u = x * f; u < std::min(full.width, (x + 1) * f); ++u, ++n)
            sum += LinearTable()[full.rgba[4 * (static_cast<std::size_t>(v) * full.width + u) + c]];
        const int got = reduced.rgba[4 * (static_cast<std::size_t>(y) * reduced.delivered.width + x) + c];
        Check(std::abs(got - NearestSrgb(sum / n)) <= 1);
      }
}

// libjpeg reduced to 1/8 gives each block its mean (its DC term): where the
// full decode of a grey JPEG was neither clipped nor wild, the means agree.
void CheckJpegReduced(const std::uint8_t* data, std::size_t size, const Recorder& full) {
  Recorder reduced;
  reduced.smallest = {(full.width + 7) / 8, (full.height + 7) / 8};
  Check(Decode(data, size, reduced) == DecodeStatus::Ok && reduced.Whole());
  Check(reduced.delivered.width == reduced.smallest.width && reduced.delivered.height == reduced.smallest.height);
  for (int by = 0; by < full.height / 8; ++by)
    for (int bx = 0; bx < full.width / 8; ++bx) {
      int sum = 0, low = 255, high = 0;
      for (int v = 8 * by; v < 8 * by + 8; ++v)
        for (int u = 8 * bx; u < 8 * bx + 8; ++u) {
          const int g = full.rgba[4 * (static_cast<std::size_t>(v) * full.width + u)];
          sum += g, low = std::min(low, g), high = std::max(high, g);
        }
      if (low == 0 || high == 255 || high - low > 32) continue;
      const int got = reduced.rgba[4 * (static_cast<std::size_t>(by) * reduced.delivered.width + bx)];
      Check(std::abs(got * 64 - sum) <= 2 * 64);
    }
}

bool IsGreyJpeg(const std::uint8_t* data, std::size_t size) {
  // The first frame header's component count.
  for (std::size_t i = 2; i + 9 < size; ++i)
    if (data[i] == 0xFF && data[i + 1] >= 0xC0 && data[i + 1] <= 0xC2) return data[i + 9] == 1;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  PictureBuilder builder;
  if (Decode(data, size, builder) != DecodeStatus::Ok) return 0;
  const PictureSize fit = builder.Fitted();
  Check(fit.width >= 1 && fit.width <= 320 && fit.height >= 1 && fit.height <= 240);
  std::vector<std::int16_t> greys = builder.Greys();
  Check(greys.size() == static_cast<std::size_t>(fit.width) * fit.height);
  for (auto g : greys) Check(g >= 0 && g <= 255);
  DevicePicture picture;
  Check(DecodePicture(GreysToPicture(greys, fit.width, fit.height), picture) == PictureDefect::None);

  const PictureSize stored = builder.Stored();
  if (static_cast<std::uint64_t>(stored.width) * stored.height > kFullSizePixels) return 0;
  Recorder full;
  Check(Decode(data, size, full) == DecodeStatus::Ok && full.Whole());

  const bool png = size >= 8 && png_sig_cmp(data, 0, 8) == 0, gif = size >= 6 && std::memcmp(data, "GIF8", 4) == 0;
  const bool jpeg = size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
  if (png || gif || jpeg) {
    std::stop_source stop;
    Recorder stopped;
    stopped.stopAtBegin = &stop;
    Check(Decode(data, size, stopped, stop.get_token()) == DecodeStatus::Stopped && stopped.calls == 0);
  }
  if (png) {
    std::vector<std::uint8_t> reference;
    Check(PngWhole(data, size, reference));
    Check(reference == full.rgba);
  } else if (gif) {
    CheckGifAveraged(data, size, full);
  } else if (jpeg && IsGreyJpeg(data, size)) {
    CheckJpegReduced(data, size, full);
  }
  return 0;
}
