#pragma once
// Windows bitmaps of every kind by our own reader, on every platform, so a
// bitmap looks the same wherever it is converted: the 12-byte core header
// and the 40-byte one with its later extensions, bottom-up and top-down,
// 1 to 32 bits a pixel, palettes, bit fields with or without alpha, and
// run-length coding of 8 and 4 bits. Bitmaps carrying a JPEG or PNG inside
// are not taken.
//
// The reader never holds the file: uncompressed rows are read at their
// offsets, a run-length stream through a small buffer, so what it keeps is
// a row or two and the palette, whatever the picture's size. Pixels a
// run-length stream never writes (its jumps and early end) are transparent,
// shown as the white paper beneath, as browsers show them; a run that
// reaches past the right edge is cut there, one past the top row is damage.
// The fourth byte of 32-bit pixels without bit fields is ignored, as
// Windows ignores it. An alpha channel that is zero throughout is taken as
// unfilled, as browsers take it: some writers declare one and leave it empty.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stop_token>
#include <string>

#include "convert/picture_decoder.h"

namespace dockline::platform {
class ReadOnlyFile;
}

namespace dockline::convert {

// Where a bitmap's bytes come from: memory, a file, a stream. The reader
// asks for pieces by offset, mostly in increasing order.
class BitmapSource {
 public:
  virtual ~BitmapSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Up to `size` bytes from `offset`; `got` is less only at the end. False
  // when the source cannot be read.
  virtual bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& got) = 0;
};

// A bitmap already in memory.
class MemoryBitmap final : public BitmapSource {
 public:
  explicit MemoryBitmap(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& got) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// An open file, read where it is asked.
class FileBitmap final : public BitmapSource {
 public:
  explicit FileBitmap(const platform::ReadOnlyFile& file) : file_(file) {}
  std::uint64_t Size() const override;
  bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& got) override;

 private:
  const platform::ReadOnlyFile& file_;
};

// A bitmap row by row into `sink`, rows in the order they are stored; the
// stop token is tested between rows. NotAPicture for what no writer makes
// (and for JPEG or PNG inside), Damaged for a layout that does not fit the
// file or a run-length stream that leaves the picture.
DecodeStatus ReadBitmap(BitmapSource& source, PictureSink& sink, std::stop_token stop = {});

// The same over a file, read where the reader asks, never whole.
DecodeStatus DecodeBitmapFile(const std::string& path, PictureSink& sink, std::stop_token stop = {});

// The same over a bitmap already in memory.
DecodeStatus FeedBitmap(std::span<const std::uint8_t> bitmap, PictureSink& sink, std::stop_token stop = {});

}  // namespace dockline::convert
