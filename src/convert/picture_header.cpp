#include "convert/picture_header.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "convert/exif_orientation.h"

namespace dockline::convert {
namespace {

// A window onto the source: the walks step a byte or a few at a time, and
// jump over whole segments without reading them.
class Cursor {
 public:
  explicit Cursor(const ByteSource& source) : source_(source) {}

  // The byte at `at`; -1 past the end or when the read failed.
  int Byte(std::uint64_t at) {
    if (at < start_ || at >= start_ + got_) {
      if (!Load(at)) return -1;
      if (at >= start_ + got_) return -1;
    }
    return window_[static_cast<std::size_t>(at - start_)];
  }
  // `n` bytes (n ≤ the window) from `at`; false when the file ends first.
  bool Read(std::uint64_t at, std::uint8_t* out, std::size_t n) {
    if (at < start_ || at + n > start_ + got_) {
      if (!Load(at) || got_ < n) return false;
    }
    std::memcpy(out, window_.data() + (at - start_), n);
    return true;
  }
  // Up to `n` bytes from `at`, bypassing the window; what could be had.
  std::vector<std::uint8_t> Take(std::uint64_t at, std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    std::size_t got = 0;
    if (!source_.ReadAt(at, bytes, got)) failed_ = true, got = 0;
    bytes.resize(got);
    return bytes;
  }
  bool Failed() const { return failed_; }

  static constexpr std::size_t kWindow = 4096;

 private:
  bool Load(std::uint64_t at) {
    start_ = at;
    got_ = 0;
    if (!source_.ReadAt(at, window_, got_)) {
      failed_ = true;
      got_ = 0;
      return false;
    }
    return true;
  }

  const ByteSource& source_;
  std::array<std::uint8_t, kWindow> window_{};
  std::uint64_t start_ = 0;
  std::size_t got_ = 0;
  bool failed_ = false;
};

int BigEndian16(const std::uint8_t* p) { return p[0] << 8 | p[1]; }
int LittleEndian16(const std::uint8_t* p) { return p[1] << 8 | p[0]; }
std::uint32_t BigEndian32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// The frame markers that carry a picture (DHT, JPG and DAC share the range).
bool IsStartOfFrame(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}
bool IsProgressive(int marker) { return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE; }

// libjpeg's own limit on a frame's components.
constexpr int kMaxJpegComponents = 10;

HeaderStatus WalkJpeg(Cursor& in, PictureHeader& h) {
  bool framed = false, progressive = false, exifSeen = false;
  std::uint64_t at = 2;
  for (;;) {
    const int lead = in.Byte(at);
    if (lead < 0) return HeaderStatus::Damaged;  // ends before its image data
    // Stray bytes between segments are passed over, as libjpeg passes them.
    if (lead != 0xFF) {
      ++at;
      continue;
    }
    const int marker = in.Byte(at + 1);
    if (marker < 0) return HeaderStatus::Damaged;
    if (marker == 0xFF || marker == 0x00) {  // a fill byte, or a stray pair
      at += marker == 0xFF ? 1 : 2;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length of their own
      at += 2;
      continue;
    }
    if (marker == 0xD8 || marker == 0xD9) return HeaderStatus::Damaged;  // a second start, or the end before any scan
    std::uint8_t length[2];
    if (!in.Read(at + 2, length, 2)) return HeaderStatus::Damaged;
    const int size = BigEndian16(length) - 2;
    if (size < 0) return HeaderStatus::Damaged;
    const std::uint64_t body = at + 4;

    if (IsStartOfFrame(marker)) {
      std::uint8_t frame[6 + 3 * kMaxJpegComponents];
      if (framed || size < 6 || !in.Read(body, frame, 6)) return HeaderStatus::Damaged;
      const int count = frame[5];
      if (count < 1 || count > kMaxJpegComponents || size < 6 + 3 * count || !in.Read(body, frame, 6 + 3 * count))
        return HeaderStatus::Damaged;
      h.height = BigEndian16(frame + 1);
      h.width = BigEndian16(frame + 3);
      for (int c = 0; c < count; ++c) {
        const int factors = frame[6 + 3 * c + 1];
        const JpegSampling s{factors >> 4, factors & 15};
        if (s.horizontal < 1 || s.horizontal > 4 || s.vertical < 1 || s.vertical > 4) return HeaderStatus::Damaged;
        h.components.push_back(s);
      }
      framed = true;
      progressive = IsProgressive(marker);
    } else if (marker == 0xDA) {
      std::uint8_t inScan = 0;
      if (!framed || size < 1 || !in.Read(body, &inScan, 1)) return HeaderStatus::Damaged;
      h.wholeCoefficients = progressive || static_cast<std::size_t>(inScan) < h.components.size();
      return HeaderStatus::Ok;
    } else if (marker == 0xE1 && !exifSeen && size >= 6) {
      std::uint8_t name[6];
      if (in.Read(body, name, 6) && std::memcmp(name, "Exif\0\0", 6) == 0) {
        // An APP1 segment is at most 64 KiB: read whole, as far as the file goes.
        h.orientation = ExifOrientation(in.Take(body, static_cast<std::size_t>(size)));
        exifSeen = true;
      }
    } else if (marker == 0xEE && size >= 12) {
      std::uint8_t adobe[12];
      if (in.Read(body, adobe, 12) && std::memcmp(adobe, "Adobe", 5) == 0) h.adobeTransform = adobe[11];
    }
    at = body + static_cast<std::uint64_t>(size);
  }
}

HeaderStatus ReadPng(Cursor& in, PictureHeader& h) {
  std::uint8_t ihdr[21];  // the first chunk's length, type and contents
  if (!in.Read(8, ihdr, sizeof ihdr)) return HeaderStatus::Damaged;
  if (BigEndian32(ihdr) != 13 || std::memcmp(ihdr + 4, "IHDR", 4) != 0) return HeaderStatus::Damaged;
  const std::uint32_t width = BigEndian32(ihdr + 8), height = BigEndian32(ihdr + 12);
  if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return HeaderStatus::Damaged;
  h.width = static_cast<int>(width);
  h.height = static_cast<int>(height);
  return HeaderStatus::Ok;
}

HeaderStatus WalkGif(Cursor& in, PictureHeader& h) {
  std::uint8_t screen[7];
  if (!in.Read(6, screen, sizeof screen)) return HeaderStatus::Damaged;
  h.width = LittleEndian16(screen);
  h.height = LittleEndian16(screen + 2);
  std::uint64_t at = 13;
  if (screen[4] & 0x80) at += 3u << ((screen[4] & 7) + 1);  // the global colour table
  for (;;) {
    const int block = in.Byte(at);
    if (block == 0x2C) {
      std::uint8_t d[8];
      if (!in.Read(at + 1, d, sizeof d)) return HeaderStatus::Damaged;
      h.frameLeft = LittleEndian16(d);
      h.frameTop = LittleEndian16(d + 2);
      h.frameWidth = LittleEndian16(d + 4);
      h.frameHeight = LittleEndian16(d + 6);
      return HeaderStatus::Ok;
    }
    if (block != 0x21) return HeaderStatus::Damaged;  // the end, or not a GIF past here: no frame
    // An extension: its label, then sub-blocks of up to 255 bytes until an empty one.
    at += 2;
    for (int n; (n = in.Byte(at)) != 0; at += 1 + static_cast<std::uint64_t>(n))
      if (n < 0) return HeaderStatus::Damaged;
    ++at;
  }
}

}  // namespace

bool MemoryBytes::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got) const {
  got = 0;
  if (offset >= bytes_.size()) return true;
  got = std::min<std::size_t>(into.size(), bytes_.size() - static_cast<std::size_t>(offset));
  std::memcpy(into.data(), bytes_.data() + offset, got);
  return true;
}

PictureHeader ReadPictureHeader(const ByteSource& bytes) {
  PictureHeader h;
  std::uint8_t magic[8] = {};
  std::size_t got = 0;
  if (!bytes.ReadAt(0, magic, got)) {
    h.status = HeaderStatus::Unreadable;
    return h;
  }
  Cursor in(bytes);
  static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
    h.kind = PictureKind::Jpeg;
    h.status = WalkJpeg(in, h);
  } else if (got == 8 && std::memcmp(magic, kPng, 8) == 0) {
    h.kind = PictureKind::Png;
    h.status = ReadPng(in, h);
  } else if (got >= 6 && (std::memcmp(magic, "GIF87a", 6) == 0 || std::memcmp(magic, "GIF89a", 6) == 0)) {
    h.kind = PictureKind::Gif;
    h.status = WalkGif(in, h);
  } else if (got >= 2 && magic[0] == 'B' && magic[1] == 'M') {
    h.kind = PictureKind::Bitmap;
  }
  if (in.Failed()) h.status = HeaderStatus::Unreadable;
  return h;
}

bool ExceedsDecodeBudget(const PictureHeader& header) {
  return header.kind == PictureKind::Jpeg && header.wholeCoefficients &&
         WholeCoefficientBytes(static_cast<std::uint32_t>(header.width), static_cast<std::uint32_t>(header.height),
                               header.components) > kCoefficientBudget;
}

}  // namespace dockline::convert
