#pragma once
// What a picture file says of itself before any of its pixels: its kind, its
// size, and for a JPEG what its decoding will hold and which way up it is
// shown. Read by us, in small pieces at any offset, so that a library is
// handed only a file whose shape and cost have been accepted first: some
// (Wine's WIC among them) allocate the whole picture, or every coefficient
// of it, as soon as they are given the file.
//
//   platform::ReadOnlyFile file;  file.Open(path);
//   const PictureHeader header = ReadPictureHeader(FileBytes(file));
//   if (header.kind == PictureKind::Jpeg && ExceedsDecodeBudget(header)) ...
//
// A JPEG's markers are walked from the start, each segment skipped by its
// length (an ICC profile of megabytes is never read), up to the first scan;
// a GIF's blocks up to its first frame.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "convert/jpeg_frame.h"
#include "platform/read_only_file.h"

namespace dockline::convert {

// The bytes of a file at any offset.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `into.size()` bytes from `offset`; fewer only at the end. False
  // when the read failed.
  virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got) const = 0;
};

class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(const platform::ReadOnlyFile& file) : file_(file) {}
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got) const override {
    return file_.ReadAt(offset, into.data(), into.size(), got) == 0;
  }

 private:
  const platform::ReadOnlyFile& file_;
};

class MemoryBytes final : public ByteSource {
 public:
  explicit MemoryBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

enum class PictureKind { Other, Jpeg, Png, Gif, Bitmap };

enum class HeaderStatus {
  Ok,
  Unreadable,  // the file could not be read
  Damaged,     // of its kind by its first bytes, but its header is cut short or broken
};

struct PictureHeader {
  PictureKind kind = PictureKind::Other;
  HeaderStatus status = HeaderStatus::Ok;
  int width = 0, height = 0;  // as stored; a GIF's logical screen
  int orientation = 1;        // a JPEG's EXIF orientation, 1..8

  // JPEG: the frame's components, and whether their coefficients are all
  // kept until the last scan (a progressive file, or a first scan that
  // leaves some component for later).
  std::vector<JpegSampling> components;
  bool wholeCoefficients = false;
  int adobeTransform = -1;  // the Adobe marker's colour transform; -1 without the marker

  // GIF: the first frame's rectangle on the screen (it may reach past it).
  int frameLeft = 0, frameTop = 0, frameWidth = 0, frameHeight = 0;
};

// Never more than the header's few kilobytes are read (an EXIF block: 64 KiB).
PictureHeader ReadPictureHeader(const ByteSource& bytes);

// Whether decoding would hold more than a decode may (kCoefficientBudget for
// a JPEG's coefficients), known from the header alone.
bool ExceedsDecodeBudget(const PictureHeader& header);

}  // namespace dockline::convert
