#pragma once
// A picture of any size fitted to the device's 320 × 240 screen: the whole
// picture, upright, scaled down with its proportions kept (never enlarged),
// by averaging areas in linear light, so that fine detail keeps its true
// brightness instead of darkening as averages of gamma-coded values do.
// What comes out are the greys of the device's own formula, ready for its
// error diffusion.

#include <cstdint>
#include <vector>

#include "convert/picture_decoder.h"

namespace dockline::convert {

// Pictures beyond this are refused before a byte of pixels is decoded.
inline constexpr std::uint64_t kMaxPicturePixels = 400'000'000;

// The largest size inside max × max keeping the proportions, rounded to
// whole pixels (at least 1); a picture that fits already keeps its size.
PictureSize FitInside(int width, int height, int maxWidth, int maxHeight);

class PictureBuilder : public PictureSink {
 public:
  bool Begin(int width, int height, int orientation) override;
  PictureSize Smallest() const override;
  void Delivering(int width, int height) override;
  void Pixels(int y, int x0, int step, int count, const std::uint8_t* pixels, PixelOrder order) override;

  bool TooManyPixels() const { return tooMany_; }
  PictureSize Stored() const { return {storedWidth_, storedHeight_}; }
  // The fitted, upright size and its greys, row-major, top row first.
  PictureSize Fitted() const;
  std::vector<std::int16_t> Greys() const;

 private:
  struct Share {  // where one source column (or row) goes: two neighbours at most
    int first = 0;
    float w0 = 0, w1 = 0;
  };
  static std::vector<Share> Shares(int from, int to);

  int storedWidth_ = 0, storedHeight_ = 0, orientation_ = 1;
  int targetWidth_ = 0, targetHeight_ = 0;  // in the stored orientation
  bool tooMany_ = false;
  std::vector<Share> columns_, rows_;
  std::vector<float> sums_;  // linear red, green, blue per target pixel
  std::vector<float> row_;   // one source row, averaged across
};

}  // namespace dockline::convert
