#pragma once
// The platform's picture decoders (WIC on Windows; libjpeg-turbo, libpng and
// giflib elsewhere) behind one small interface. A decoder reads the header,
// tells the sink the stored size and orientation, may scale down on its own
// as far as the sink allows (WIC's scaler, libjpeg's DCT scaling), and hands
// over the pixels row by row, so that a picture of any size passes through
// a few rows of memory.
//
// Every decoder keeps to the same budget, whatever a file claims: the shape
// is checked from the header before a pixel is decoded (PictureBuilder's
// Begin), what a library would allocate for the whole picture is bounded
// (kDecodeMemoryBudget), and the stop token is tested between bands of rows,
// so a decode nobody waits for any more ends within a few milliseconds.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stop_token>
#include <string>

namespace dockline::convert {

enum class PixelOrder { Rgb, Rgba, Bgra };  // 8 bits a channel; alpha not premultiplied

struct PictureSize {
  int width = 0;
  int height = 0;
};

class PictureSink {
 public:
  virtual ~PictureSink() = default;
  // The stored size and the EXIF orientation (1..8). False refuses the
  // picture: the decoder stops at once.
  virtual bool Begin(int width, int height, int orientation) = 0;
  // The smallest size the decoder may scale to before delivering.
  virtual PictureSize Smallest() const = 0;
  // The size the pixels will come at: at least Smallest(), at most the stored size.
  virtual void Delivering(int width, int height) = 0;
  // `count` pixels of row y, at columns x0, x0 + step, …; interlaced
  // pictures come in passes, in any order of rows.
  virtual void Pixels(int y, int x0, int step, int count, const std::uint8_t* pixels, PixelOrder order) = 0;
};

enum class DecodeStatus {
  Ok,
  Unreadable,    // the file cannot be opened or read
  NotAPicture,   // no decoder takes it
  Damaged,       // a decoder took it and then found it broken
  Refused,       // the sink refused it in Begin
  NoMemory,
  OverBudget,    // decoding it would take more memory than kDecodeMemoryBudget
  Stopped,       // the stop token was set on the way
};

// What one decode may hold at most, the library's own buffers included.
inline constexpr std::size_t kDecodeMemoryBudget = std::size_t{128} << 20;

// The backend of this platform.
DecodeStatus DecodePictureFile(const std::string& path, PictureSink& sink, std::stop_token stop = {});

#if !defined(_WIN32) && !defined(DOCKLINE_NO_PICTURE_DECODERS)
// The same over an open stream (the fuzzers hand in memory through fmemopen).
DecodeStatus DecodePictureStream(std::FILE* file, PictureSink& sink, std::stop_token stop = {});
#endif

}  // namespace dockline::convert
