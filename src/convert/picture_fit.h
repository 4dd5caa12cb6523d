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

// Pictures beyond these are refused from their header, before a byte of
// pixels is decoded: no camera, scanner or screen makes them, and a file
// claiming them is made to cost time and memory.
inline constexpr std::uint64_t kMaxPicturePixels = 400'000'000;
inline constexpr int kMaxPictureSide = 65'535;  // the most a JPEG can hold, far past any panorama
inline constexpr int kMaxPictureAspect = 1000;  // the long side over the short one

enum class PictureShape {
  Fine,
  Empty,          // no pixels at all
  TooManyPixels,  // more than kMaxPicturePixels
  SideTooLong,    // a side beyond kMaxPictureSide
  TooNarrow,      // one side more than kMaxPictureAspect times the other
};
PictureShape CheckPictureShape(std::int64_t width, std::int64_t height);

// The largest size inside max × max keeping the proportions, rounded to
// whole pixels (at least 1); a picture that fits already keeps its size.
PictureSize FitInside(int width, int height, int maxWidth, int maxHeight);

class PictureBuilder : public PictureSink {
 public:
  bool Begin(int width, int height, int orientation) override;
  PictureSize Smallest() const override;
  void Delivering(int width, int height) override;
  void Pixels(int y, int x0, int step, int count, const std::uint8_t* pixels, PixelOrder order) override;

  // Why Begin refused the picture; Fine when it did not.
  PictureShape Refusal() const { return refusal_; }
  PictureSize Stored() const { return {storedWidth_, storedHeight_}; }
  // The fitted, upright size and its greys, row-major, top row first.
  PictureSize Fitted() const;
  std::vector<std::int16_t> Greys() const;

 private:
  struct Share {  // where one source column (or row) goes: two neighbours at most
    int first = 0;
    float w0 = 0, w1 = 0;
  };
  // Worked out for each pixel as it comes: a table by source column would
  // grow with what the file claims, not with the 320 × 240 it comes to.
  static Share ShareOf(std::int64_t k, int from, int to);

  int storedWidth_ = 0, storedHeight_ = 0, orientation_ = 1;
  int targetWidth_ = 0, targetHeight_ = 0;  // in the stored orientation
  PictureShape refusal_ = PictureShape::Fine;
  int deliveredWidth_ = 0, deliveredHeight_ = 0;
  std::vector<float> sums_;  // linear red, green, blue per target pixel
  std::vector<float> row_;   // one source row, averaged across
};

}  // namespace dockline::convert
