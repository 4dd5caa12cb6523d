#include "convert/picture_fit.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "convert/device_picture.h"
#include "convert/exif_orientation.h"

namespace dockline::convert {
namespace {

// A decoder may scale down by itself to twice the final size: its own
// averaging (in gamma-coded values, and coarser) then only prepares ours.
constexpr int kHeadroom = 2;

float SrgbToLinear(int v) {
  const double c = v / 255.0;
  return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

const std::array<float, 256>& LinearTable() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> t{};
    for (int v = 0; v < 256; ++v) t[v] = SrgbToLinear(v);
    return t;
  }();
  return table;
}

// A coded value between two steps, between their linear values.
inline float LinearOf(float coded, const std::array<float, 256>& lin) {
  const int k = std::min(254, static_cast<int>(coded));
  const float t = coded - k;
  return lin[k] + t * (lin[k + 1] - lin[k]);
}

// Linear light back to 8-bit sRGB, 2^16 steps: fine enough that the eight
// bits of an unscaled picture come back as they went in.
constexpr int kSrgbSteps = 65535;
const std::vector<std::uint8_t>& SrgbTable() {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(kSrgbSteps + 1);
    for (int k = 0; k <= kSrgbSteps; ++k) {
      const double l = static_cast<double>(k) / kSrgbSteps;
      const double c = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
      t[k] = static_cast<std::uint8_t>(std::clamp(std::lround(c * 255), 0L, 255L));
    }
    return t;
  }();
  return table;
}

inline int ToSrgb(float linear, const std::vector<std::uint8_t>& table) {
  const long k = std::lround(std::clamp(linear, 0.0f, 1.0f) * kSrgbSteps);
  return table[static_cast<std::size_t>(k)];
}

}  // namespace

PictureSize FitInside(int width, int height, int maxWidth, int maxHeight) {
  if (width <= maxWidth && height <= maxHeight) return {width, height};
  const std::int64_t w = width, h = height;
  // Wider than the screen's proportions: the width decides, else the height.
  if (w * maxHeight >= h * maxWidth)
    return {maxWidth, static_cast<int>(std::max<std::int64_t>(1, (h * maxWidth + w / 2) / w))};
  return {static_cast<int>(std::max<std::int64_t>(1, (w * maxHeight + h / 2) / h)), maxHeight};
}

PictureShape CheckPictureShape(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) return PictureShape::Empty;
  if (width > kMaxPictureSide || height > kMaxPictureSide) return PictureShape::SideTooLong;
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPicturePixels)
    return PictureShape::TooManyPixels;
  const std::int64_t longSide = std::max(width, height), shortSide = std::min(width, height);
  if (longSide > shortSide * kMaxPictureAspect) return PictureShape::TooNarrow;
  return PictureShape::Fine;
}

bool PictureBuilder::Begin(int width, int height, int orientation) {
  storedWidth_ = width;
  storedHeight_ = height;
  orientation_ = orientation >= 1 && orientation <= 8 ? orientation : 1;
  refusal_ = CheckPictureShape(width, height);
  if (refusal_ != PictureShape::Fine) return false;
  const bool swap = SwapsAxes(orientation_);
  const PictureSize fit = swap ? FitInside(height, width, kPictureMaxWidth, kPictureMaxHeight)
                               : FitInside(width, height, kPictureMaxWidth, kPictureMaxHeight);
  targetWidth_ = swap ? fit.height : fit.width;
  targetHeight_ = swap ? fit.width : fit.height;
  return true;
}

PictureSize PictureBuilder::Smallest() const {
  return {std::min(storedWidth_, kHeadroom * targetWidth_), std::min(storedHeight_, kHeadroom * targetHeight_)};
}

PictureBuilder::Share PictureBuilder::ShareOf(std::int64_t k, int from, int to) {
  // Source pixel k covers [k·to/from, (k+1)·to/from) of the target; to ≤ from,
  // so it meets one target pixel or two. Weights are in target pixels, so the
  // shares reaching each target pixel add up to 1.
  const std::int64_t start = k * to;  // in units of 1/from
  const std::int64_t end = start + to;
  Share s;
  s.first = static_cast<int>(start / from);
  const std::int64_t boundary = static_cast<std::int64_t>(s.first + 1) * from;
  if (end <= boundary) {
    s.w0 = static_cast<float>(to) / from;
  } else {
    s.w0 = static_cast<float>(boundary - start) / from;
    s.w1 = static_cast<float>(end - boundary) / from;
  }
  return s;
}

void PictureBuilder::Delivering(int width, int height) {
  // A decoder that delivers less than the target would have us enlarge: the target shrinks instead.
  targetWidth_ = std::min(targetWidth_, width);
  targetHeight_ = std::min(targetHeight_, height);
  deliveredWidth_ = width;
  deliveredHeight_ = height;
  sums_.assign(static_cast<std::size_t>(targetWidth_) * targetHeight_ * 3, 0.0f);
  row_.assign(static_cast<std::size_t>(targetWidth_) * 3 + 3, 0.0f);  // one spare pixel for w1 = 0 at the edge
}

void PictureBuilder::Pixels(int y, int x0, int step, int count, const std::uint8_t* pixels, PixelOrder order) {
  if (y < 0 || y >= deliveredHeight_ || step < 1) return;
  const auto& lin = LinearTable();
  std::fill(row_.begin(), row_.end(), 0.0f);
  const int bytes = order == PixelOrder::Rgb ? 3 : 4;
  const int red = order == PixelOrder::Bgra ? 2 : 0, blue = 2 - red;
  const int from = deliveredWidth_, to = targetWidth_;
  const float whole = static_cast<float>(to) / from;
  // The share of each column, stepped along with the pixels: no division a pixel.
  std::int64_t start = static_cast<std::int64_t>(x0) * to;  // in units of 1/from
  std::int64_t first = start / from;
  std::int64_t boundary = (first + 1) * from;
  const std::int64_t advance = static_cast<std::int64_t>(step) * to;
  for (int i = 0, x = x0; i < count && x < from; ++i, x += step, start += advance) {
    while (start >= boundary) ++first, boundary += from;
    if (x < 0) continue;
    const std::uint8_t* p = pixels + static_cast<std::size_t>(i) * bytes;
    float r, g, b;
    if (bytes == 4 && p[3] != 255) {
      // Over white, the device's paper, blended as every viewer and browser
      // blends: in the stored (gamma-coded) values, then into linear light.
      const float a = p[3] / 255.0f, white = 255 * (1 - a);
      r = LinearOf(p[red] * a + white, lin), g = LinearOf(p[1] * a + white, lin), b = LinearOf(p[blue] * a + white, lin);
    } else {
      r = lin[p[red]], g = lin[p[1]], b = lin[p[blue]];
    }
    const std::int64_t end = start + to;
    const float w0 = end <= boundary ? whole : static_cast<float>(boundary - start) / from;
    const float w1 = end <= boundary ? 0.0f : static_cast<float>(end - boundary) / from;
    float* c = row_.data() + 3 * static_cast<std::size_t>(first);
    c[0] += w0 * r, c[1] += w0 * g, c[2] += w0 * b;
    c[3] += w1 * r, c[4] += w1 * g, c[5] += w1 * b;
  }
  const Share s = ShareOf(y, deliveredHeight_, targetHeight_);
  const std::size_t rowFloats = static_cast<std::size_t>(targetWidth_) * 3;
  float* top = sums_.data() + rowFloats * s.first;
  for (std::size_t k = 0; k < rowFloats; ++k) top[k] += s.w0 * row_[k];
  if (s.w1 > 0)
    for (std::size_t k = 0; k < rowFloats; ++k) top[rowFloats + k] += s.w1 * row_[k];
}

PictureSize PictureBuilder::Fitted() const {
  return SwapsAxes(orientation_) ? PictureSize{targetHeight_, targetWidth_} : PictureSize{targetWidth_, targetHeight_};
}

std::vector<std::int16_t> PictureBuilder::Greys() const {
  const auto& srgb = SrgbTable();
  const int w = targetWidth_, h = targetHeight_;
  const PictureSize out = Fitted();
  std::vector<std::int16_t> greys(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float* c = sums_.data() + (static_cast<std::size_t>(y) * w + x) * 3;
      const int grey = DeviceGrey(ToSrgb(c[2], srgb), ToSrgb(c[1], srgb), ToSrgb(c[0], srgb));
      // Where the stored pixel (x, y) is shown once the picture is upright.
      int ox = x, oy = y;
      switch (orientation_) {
        case 2: ox = w - 1 - x; break;
        case 3: ox = w - 1 - x, oy = h - 1 - y; break;
        case 4: oy = h - 1 - y; break;
        case 5: ox = y, oy = x; break;
        case 6: ox = h - 1 - y, oy = x; break;
        case 7: ox = h - 1 - y, oy = w - 1 - x; break;
        case 8: ox = y, oy = w - 1 - x; break;
        default: break;
      }
      greys[static_cast<std::size_t>(oy) * out.width + ox] = static_cast<std::int16_t>(grey);
    }
  return greys;
}

}  // namespace dockline::convert
