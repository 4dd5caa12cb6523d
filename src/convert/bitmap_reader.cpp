#include "convert/bitmap_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

#include "platform/read_only_file.h"

namespace dockline::convert {
namespace {

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV3HeaderSize = 56;   // the first to hold an alpha mask
constexpr std::uint32_t kOs2HeaderSize = 64;  // whose compressions 3 and 4 are Huffman and 24-bit runs
constexpr std::size_t kMasksAt = 54;          // after a 40-byte header, or inside a larger one

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

// One channel of a bit-field pixel, stretched or narrowed to 8 bits to the
// nearest step.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t top = 0;  // the channel's largest value
  std::array<std::uint8_t, 256> scale{};

  bool Set(std::uint32_t m) {
    mask = m;
    if (m == 0) return true;  // a channel the pixels lack reads 0
    shift = std::countr_zero(m);
    top = m >> shift;
    if ((top & (top + 1)) != 0) return false;  // not one run of bits: no writer makes it
    for (std::uint32_t v = 0; v <= std::min<std::uint32_t>(top, 255); ++v)
      scale[v] = static_cast<std::uint8_t>((v * 255 + top / 2) / top);
    return true;
  }
  std::uint8_t Of(std::uint32_t pixel) const {
    const std::uint32_t v = (pixel & mask) >> shift;
    return top <= 255 ? scale[v] : static_cast<std::uint8_t>((std::uint64_t{v} * 255 + top / 2) / top);
  }
};

struct Layout {
  std::int64_t width = 0;
  std::int64_t rows = 0;
  bool topDown = false;
  int bits = 0;
  std::uint32_t compression = kRgb;
  bool fields = false;  // pixels of 16 or 32 bits read through the channels
  bool alpha = false;
  std::uint64_t pixels = 0;
  std::uint64_t stride = 0;
  std::uint64_t rowBytes = 0;
  Channel red, green, blue, opacity;
  // Red, green, blue, alpha; indices past the stored entries show black.
  std::array<std::array<std::uint8_t, 4>, 256> palette;
};

bool ReadExactly(BitmapSource& source, std::uint64_t at, std::uint8_t* buffer, std::size_t size, DecodeStatus& why) {
  std::size_t got = 0;
  if (!source.ReadAt(at, buffer, size, got)) {
    why = DecodeStatus::Unreadable;
    return false;
  }
  if (got < size) {
    why = DecodeStatus::Damaged;
    return false;
  }
  return true;
}

DecodeStatus ReadLayout(BitmapSource& source, Layout& b) {
  const std::uint64_t fileSize = source.Size();
  // The file header, the 40-byte header's fields and the four masks after it.
  std::array<std::uint8_t, kMasksAt + 16> h{};
  std::size_t got = 0;
  if (!source.ReadAt(0, h.data(), h.size(), got)) return DecodeStatus::Unreadable;
  if (got < 2 || h[0] != 'B' || h[1] != 'M') return DecodeStatus::NotAPicture;
  if (got < kFileHeaderSize + 4) return DecodeStatus::Damaged;
  const std::uint64_t pixelOffset = U32(&h[10]);
  const std::uint32_t headerSize = U32(&h[14]);
  const bool core = headerSize == kCoreHeaderSize;
  if (!core && headerSize < kInfoHeaderSize) return DecodeStatus::NotAPicture;
  if (kFileHeaderSize + headerSize > fileSize) return DecodeStatus::Damaged;

  std::int64_t height = 0;
  std::uint64_t declaredColours = 0;
  if (core) {  // 16-bit sizes, always bottom-up, never compressed
    b.width = U16(&h[18]);
    height = U16(&h[20]);
    b.bits = static_cast<int>(U16(&h[24]));
    if (b.bits != 1 && b.bits != 4 && b.bits != 8 && b.bits != 24) return DecodeStatus::NotAPicture;
  } else {
    b.width = static_cast<std::int32_t>(U32(&h[18]));
    height = static_cast<std::int32_t>(U32(&h[22]));
    b.bits = static_cast<int>(U16(&h[28]));
    b.compression = U32(&h[30]);
    declaredColours = U32(&h[46]);
    // A mirrored picture, and a height whose size does not fit its field.
    if (b.width < 0 || height == INT32_MIN) return DecodeStatus::NotAPicture;
    if (headerSize == kOs2HeaderSize && b.compression >= kBitFields) return DecodeStatus::NotAPicture;
    switch (b.compression) {
      case kRgb: break;
      case kRle8: if (b.bits != 8) return DecodeStatus::NotAPicture; break;
      case kRle4: if (b.bits != 4) return DecodeStatus::NotAPicture; break;
      case kBitFields:
      case kAlphaBitFields: if (b.bits != 16 && b.bits != 32) return DecodeStatus::NotAPicture; break;
      default: return DecodeStatus::NotAPicture;  // JPEG or PNG inside, or no compression any writer uses
    }
    if (b.compression == kRgb && b.bits != 1 && b.bits != 4 && b.bits != 8 && b.bits != 16 && b.bits != 24 &&
        b.bits != 32)
      return DecodeStatus::NotAPicture;
  }
  b.topDown = height < 0;
  b.rows = height < 0 ? -height : height;
  // Runs are laid from the bottom row up; no writer stores them top-down.
  const bool runs = b.compression == kRle8 || b.compression == kRle4;
  if (runs && b.topDown) return DecodeStatus::NotAPicture;

  const std::uint64_t tableAt = kFileHeaderSize + headerSize;  // where a palette starts
  if (pixelOffset < tableAt) return DecodeStatus::Damaged;
  b.fields = b.bits == 16 || (b.bits == 32 && b.compression != kRgb);
  if (b.fields) {
    std::uint32_t masks[4] = {0x7C00, 0x03E0, 0x001F, 0};  // what 16 bits without fields hold
    if (b.bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (b.compression != kRgb) {
      const int count = b.compression == kAlphaBitFields ? 4 : 3;
      const std::uint64_t masksEnd = kMasksAt + 4 * count;
      // Some writers declare bit fields and start the pixels right after a
      // 40-byte header: the masks the bit count has without fields hold.
      if (tableAt >= masksEnd || pixelOffset >= masksEnd) {
        if (masksEnd > fileSize) return DecodeStatus::Damaged;
        for (int k = 0; k < 3; ++k) masks[k] = U32(&h[kMasksAt + 4 * k]);
        if (count == 4 || headerSize >= kV3HeaderSize) masks[3] = U32(&h[kMasksAt + 12]);
      }
    }
    const std::uint32_t all = masks[0] | masks[1] | masks[2] | masks[3];
    const bool overlap = (masks[0] & masks[1]) | (masks[0] & masks[2]) | (masks[0] & masks[3]) | (masks[1] & masks[2]) |
                         (masks[1] & masks[3]) | (masks[2] & masks[3]);
    if ((masks[0] | masks[1] | masks[2]) == 0 || overlap || (b.bits == 16 && all > 0xFFFF) ||
        !b.red.Set(masks[0]) || !b.green.Set(masks[1]) || !b.blue.Set(masks[2]) || !b.opacity.Set(masks[3]))
      return DecodeStatus::NotAPicture;
    b.alpha = masks[3] != 0;
  }

  b.palette.fill({0, 0, 0, 255});
  if (b.bits <= 8) {
    const std::uint64_t declared = declaredColours != 0 ? declaredColours : std::uint64_t{1} << b.bits;
    if (declared > 256) return DecodeStatus::NotAPicture;  // no index of 8 bits reaches past 256
    const std::size_t entrySize = core ? 3 : 4;
    // A palette cut short by the pixels keeps the entries before them.
    const std::size_t entries = static_cast<std::size_t>(std::min(declared, (pixelOffset - tableAt) / entrySize));
    std::array<std::uint8_t, 4 * 256> table;
    DecodeStatus why;
    if (!ReadExactly(source, tableAt, table.data(), entries * entrySize, why)) return why;
    for (std::size_t k = 0; k < entries; ++k) {
      const std::uint8_t* e = table.data() + k * entrySize;
      b.palette[k] = {e[2], e[1], e[0], 255};
    }
  }

  b.pixels = pixelOffset;
  const std::uint64_t bitsPerRow = static_cast<std::uint64_t>(b.bits) * static_cast<std::uint64_t>(b.width);
  b.stride = (bitsPerRow + 31) / 32 * 4;
  b.rowBytes = (bitsPerRow + 7) / 8;
  // Every stored row inside the file; the last row's padding may be missing.
  if (!runs && b.rows > 0 && b.width > 0 &&
      (pixelOffset > fileSize || b.rowBytes > fileSize - pixelOffset ||
       static_cast<std::uint64_t>(b.rows - 1) > (fileSize - pixelOffset - b.rowBytes) / b.stride))
    return DecodeStatus::Damaged;
  return DecodeStatus::Ok;
}

std::uint32_t PixelAt(const std::uint8_t* row, int x, int bits) {
  return bits == 16 ? U16(row + 2 * static_cast<std::size_t>(x)) : U32(row + 4 * static_cast<std::size_t>(x));
}

// Stored rows one at a time, in the order of the file.
class StoredRows {
 public:
  StoredRows(BitmapSource& source, const Layout& b) : source_(source), b_(b), row_(static_cast<std::size_t>(b.rowBytes)) {}
  // Row s counted from the start of the pixels.
  bool Read(std::int64_t s, DecodeStatus& why) {
    return ReadExactly(source_, b_.pixels + static_cast<std::uint64_t>(s) * b_.stride, row_.data(), row_.size(), why);
  }
  const std::uint8_t* Data() const { return row_.data(); }

 private:
  BitmapSource& source_;
  const Layout& b_;
  std::vector<std::uint8_t> row_;
};

// Whether any pixel has an alpha above zero: a picture whose every pixel
// reads transparent was written by a program that never filled the channel.
DecodeStatus AnyAlpha(BitmapSource& source, const Layout& b, const std::stop_token& stop, bool& any) {
  StoredRows rows(source, b);
  const int w = static_cast<int>(b.width);
  any = false;
  for (std::int64_t s = 0; s < b.rows && !any; ++s) {
    if (stop.stop_requested()) return DecodeStatus::Stopped;
    DecodeStatus why;
    if (!rows.Read(s, why)) return why;
    for (int x = 0; x < w && !any; ++x) any = b.opacity.Of(PixelAt(rows.Data(), x, b.bits)) != 0;
  }
  return DecodeStatus::Ok;
}

DecodeStatus DeliverStoredRows(BitmapSource& source, const Layout& b, PictureSink& sink, const std::stop_token& stop) {
  bool alpha = false;
  if (b.alpha)
    if (const DecodeStatus status = AnyAlpha(source, b, stop, alpha); status != DecodeStatus::Ok) return status;
  const int w = static_cast<int>(b.width);
  const int bytes = alpha ? 4 : 3;
  StoredRows rows(source, b);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(bytes) * w);
  for (std::int64_t s = 0; s < b.rows; ++s) {
    if (stop.stop_requested()) return DecodeStatus::Stopped;
    DecodeStatus why;
    if (!rows.Read(s, why)) return why;
    const std::uint8_t* row = rows.Data();
    std::uint8_t* o = out.data();
    switch (b.bits) {
      case 1:
        for (int x = 0; x < w; ++x, o += 3) std::memcpy(o, b.palette[(row[x >> 3] >> (7 - (x & 7))) & 1].data(), 3);
        break;
      case 4:
        for (int x = 0; x < w; ++x, o += 3) std::memcpy(o, b.palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F].data(), 3);
        break;
      case 8:
        for (int x = 0; x < w; ++x, o += 3) std::memcpy(o, b.palette[row[x]].data(), 3);
        break;
      case 24:
        for (int x = 0; x < w; ++x, o += 3, row += 3) o[0] = row[2], o[1] = row[1], o[2] = row[0];
        break;
      default:
        if (!b.fields) {  // 32 bits: blue, green, red and a byte no writer fills reliably
          for (int x = 0; x < w; ++x, o += 3, row += 4) o[0] = row[2], o[1] = row[1], o[2] = row[0];
          break;
        }
        for (int x = 0; x < w; ++x, o += bytes) {
          const std::uint32_t v = PixelAt(row, x, b.bits);
          o[0] = b.red.Of(v), o[1] = b.green.Of(v), o[2] = b.blue.Of(v);
          if (alpha) o[3] = b.opacity.Of(v);
        }
        break;
    }
    const std::int64_t y = b.topDown ? s : b.rows - 1 - s;
    sink.Pixels(static_cast<int>(y), 0, 1, w, out.data(), alpha ? PixelOrder::Rgba : PixelOrder::Rgb);
  }
  return DecodeStatus::Ok;
}

// A run-length stream read through a small buffer, front to back.
class RunStream {
 public:
  RunStream(BitmapSource& source, std::uint64_t at, const std::stop_token& stop)
      : source_(source), at_(at), stop_(stop), buffer_(std::size_t{1} << 15) {}
  // The next byte, or -1 when the file ends, cannot be read or a stop came; Why() tells which.
  int Next() {
    if (pos_ == end_ && !Fill()) return -1;
    return buffer_[pos_++];
  }
  DecodeStatus Why() const { return why_; }

 private:
  bool Fill() {
    // Tested here too: a stream of jumps that go nowhere never finishes a row.
    if (stop_.stop_requested()) return why_ = DecodeStatus::Stopped, false;
    std::size_t got = 0;
    if (!source_.ReadAt(at_, buffer_.data(), buffer_.size(), got)) return why_ = DecodeStatus::Unreadable, false;
    if (got == 0) return why_ = DecodeStatus::Damaged, false;
    at_ += got, pos_ = 0, end_ = got;
    return true;
  }

  BitmapSource& source_;
  std::uint64_t at_;
  const std::stop_token& stop_;
  std::vector<std::uint8_t> buffer_;
  std::size_t pos_ = 0, end_ = 0;
  DecodeStatus why_ = DecodeStatus::Ok;
};

// The stream moves only forward, a row at a time from the bottom, so one row
// is gathered and handed over when the stream leaves it; rows a jump passes
// over go out empty. Each pixel is thus delivered once.
DecodeStatus DeliverRuns(BitmapSource& source, const Layout& b, PictureSink& sink, const std::stop_token& stop) {
  const std::int64_t w = b.width, h = b.rows;
  const bool nibbles = b.compression == kRle4;
  std::vector<std::uint8_t> line(4 * static_cast<std::size_t>(w), 0);  // transparent until written
  std::int64_t row = 0, x = 0;  // row 0 is the bottom one
  auto leaveRow = [&] {
    if (row < h) {
      sink.Pixels(static_cast<int>(h - 1 - row), 0, 1, static_cast<int>(w), line.data(), PixelOrder::Rgba);
      std::fill(line.begin(), line.end(), std::uint8_t{0});
    }
    ++row;
    return !stop.stop_requested();
  };
  // Pixels beyond the right edge are let go; above the top row the stream has left the picture.
  auto put = [&](int index) {
    if (x < w) std::memcpy(line.data() + 4 * x, b.palette[index].data(), 4);
    ++x;
  };
  RunStream in(source, b.pixels, stop);
  for (;;) {
    const int count = in.Next();
    if (count < 0) return row >= h && in.Why() == DecodeStatus::Damaged ? DecodeStatus::Ok : in.Why();
    const int code = in.Next();
    if (code < 0) return in.Why();
    if (count > 0) {
      if (row >= h) return DecodeStatus::Damaged;
      const std::int64_t end = x + count;
      for (int k = 0; x < std::min(end, w); ++k) put(nibbles ? (k & 1 ? code & 0x0F : code >> 4) : code);
      x = end;
      continue;
    }
    switch (code) {
      case 0:  // end of the row
        if (!leaveRow()) return DecodeStatus::Stopped;
        x = 0;
        break;
      case 1:  // end of the picture: what is left stays transparent
        while (row < h)
          if (!leaveRow()) return DecodeStatus::Stopped;
        return DecodeStatus::Ok;
      case 2: {  // a jump right and up
        const int dx = in.Next();
        const int dy = dx < 0 ? -1 : in.Next();
        if (dy < 0) return in.Why();
        for (int k = 0; k < dy; ++k)
          if (!leaveRow()) return DecodeStatus::Stopped;
        x += dx;
        break;
      }
      default: {  // `code` pixels as they are, padded to whole 16-bit words
        if (row >= h) return DecodeStatus::Damaged;
        const int bytes = nibbles ? (code + 1) / 2 : code;
        for (int k = 0; k < bytes; ++k) {
          const int v = in.Next();
          if (v < 0) return in.Why();
          if (!nibbles) {
            put(v);
          } else {
            put(v >> 4);
            if (2 * k + 1 < code) put(v & 0x0F);
          }
        }
        if (bytes % 2 != 0 && in.Next() < 0) return in.Why();
        break;
      }
    }
  }
}

}  // namespace

bool MemoryBitmap::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& got) {
  got = offset < bytes_.size() ? static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes_.size() - offset)) : 0;
  if (got != 0) std::memcpy(buffer, bytes_.data() + offset, got);
  return true;
}

std::uint64_t FileBitmap::Size() const { return file_.Size(); }

bool FileBitmap::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& got) {
  return file_.ReadAt(offset, buffer, size, got) == 0;
}

DecodeStatus ReadBitmap(BitmapSource& source, PictureSink& sink, std::stop_token stop) {
  try {
    Layout b;
    if (const DecodeStatus status = ReadLayout(source, b); status != DecodeStatus::Ok) return status;
    if (!sink.Begin(static_cast<int>(b.width), static_cast<int>(b.rows), 1)) return DecodeStatus::Refused;
    sink.Delivering(static_cast<int>(b.width), static_cast<int>(b.rows));
    if (b.compression == kRle8 || b.compression == kRle4) return DeliverRuns(source, b, sink, stop);
    return DeliverStoredRows(source, b, sink, stop);
  } catch (const std::bad_alloc&) {
    return DecodeStatus::NoMemory;
  }
}

DecodeStatus DecodeBitmapFile(const std::string& path, PictureSink& sink, std::stop_token stop) {
  platform::ReadOnlyFile file;
  if (file.Open(path) != 0) return DecodeStatus::Unreadable;
  FileBitmap source(file);
  return ReadBitmap(source, sink, stop);
}

DecodeStatus FeedBitmap(std::span<const std::uint8_t> bitmap, PictureSink& sink, std::stop_token stop) {
  MemoryBitmap source(bitmap);
  return ReadBitmap(source, sink, stop);
}

}  // namespace dockline::convert
