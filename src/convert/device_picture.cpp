#include "convert/device_picture.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "convert/bitmap_reader.h"
#include "platform/read_only_file.h"

namespace dockline::convert {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint16_t kBitmapType = 0x4D42;  // "BM"

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }
void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::uint8_t* p, std::uint32_t v) {
  PutU16(p, v);
  PutU16(p + 2, v >> 16);
}

inline int Grey(int blue, int green, int red) { return DeviceGrey(blue, green, red); }

// The fields of a bitmap's headers that the conversion needs, checked.
struct BitmapLayout {
  std::int64_t width = 0;    // from the header, 0..2048
  std::int64_t rows = 0;     // |height|
  bool topDown = false;
  int bitsPerPixel = 0;
  std::size_t stride = 0;    // bytes per stored row, a multiple of 4
  std::size_t pixels = 0;    // offset of the first stored row
  std::size_t palette = 0;   // offset of the palette
  std::size_t paletteEntries = 0;
};

int ReadLayout(BitmapSource& file, BitmapLayout& out) {
  // Header bytes beyond a short file read as zeros; the checks below then
  // refuse it, and nothing is read outside the file.
  std::array<std::uint8_t, kFileHeaderSize + kInfoHeaderSize> h{};
  std::size_t got = 0;
  if (!file.ReadAt(0, h.data(), h.size(), got)) return kPictureSourceMissing;

  const std::uint16_t type = U16(&h[0]);
  const std::uint32_t fileSize = U32(&h[2]);
  const std::uint32_t pixelOffset = U32(&h[10]);
  const std::uint32_t headerSize = U32(&h[14]);
  const std::int32_t width = I32(&h[18]);
  const std::int32_t height = I32(&h[22]);
  const std::uint16_t bits = U16(&h[28]);
  const std::uint32_t compression = U32(&h[30]);
  const std::uint32_t coloursUsed = U32(&h[46]);

  if (fileSize != file.Size()) return kPictureDamaged;
  if (type != kBitmapType) return kPictureUnsupported;
  if (compression != 0) return kPictureUnsupported;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return kPictureUnsupported;
  if (width > kBitmapMaxWidth) return kPictureUnsupported;
  // Headers that no writer produces: a mirrored image, and a height whose
  // magnitude does not fit the field.
  if (width < 0) return kPictureUnsupported;
  if (height == INT32_MIN) return kPictureUnsupported;
  // The 12-byte core header holds 16-bit sizes; the fields read above would be wrong.
  if (headerSize < kInfoHeaderSize) return kPictureUnsupported;

  std::uint64_t entries = 0;
  if (bits <= 8) {
    entries = coloursUsed != 0 ? coloursUsed : (1u << bits);
    if (entries > 256) return kPictureUnsupported;  // no index of 8 bits or fewer can reach past 256
  }

  // All in 64 bits: every field may hold its largest value.
  const std::uint64_t stride = (static_cast<std::uint64_t>(bits) * static_cast<std::uint64_t>(width) + 31) / 32 * 4;
  const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  const std::uint64_t paletteAt = kFileHeaderSize + static_cast<std::uint64_t>(headerSize);
  const std::uint64_t paletteEnd = paletteAt + 4 * entries;
  if (pixelOffset < paletteEnd) return kPictureDamaged;
  if (pixelOffset > file.Size() || rows * stride > file.Size() - pixelOffset) return kPictureDamaged;

  out.width = width;
  out.rows = static_cast<std::int64_t>(rows);
  out.topDown = height < 0;
  out.bitsPerPixel = bits;
  out.stride = static_cast<std::size_t>(stride);
  out.pixels = pixelOffset;
  out.palette = static_cast<std::size_t>(paletteAt);
  out.paletteEntries = static_cast<std::size_t>(entries);
  return kPictureOk;
}

// Reads exactly `size` bytes, inside the file by the layout's checks.
bool ReadInside(BitmapSource& file, std::uint64_t at, std::uint8_t* buffer, std::size_t size) {
  std::size_t got = 0;
  return file.ReadAt(at, buffer, size, got) && got == size;
}

// Fills the top-left w × h greys from the stored rows, reading no others:
// a tall bitmap costs its top rows. False when the file cannot be read.
bool ReadGreys(BitmapSource& file, const BitmapLayout& b, int w, int h, std::int16_t* grey) {
  // Indices beyond the palette's entries show black.
  std::array<std::int16_t, 256> table{};
  std::array<std::uint8_t, 4 * 256> entries;
  if (!ReadInside(file, b.palette, entries.data(), 4 * b.paletteEntries)) return false;
  for (std::size_t k = 0; k < b.paletteEntries; ++k) {
    const std::uint8_t* e = entries.data() + 4 * k;
    table[k] = static_cast<std::int16_t>(Grey(e[0], e[1], e[2]));
  }

  std::vector<std::uint8_t> stored((static_cast<std::size_t>(w) * b.bitsPerPixel + 7) / 8);
  for (int y = 0; y < h; ++y) {
    const std::size_t at = b.topDown ? static_cast<std::size_t>(y) : static_cast<std::size_t>(b.rows - 1 - y);
    if (!ReadInside(file, b.pixels + static_cast<std::uint64_t>(at) * b.stride, stored.data(), stored.size())) return false;
    const std::uint8_t* row = stored.data();
    std::int16_t* out = grey + static_cast<std::size_t>(y) * w;
    switch (b.bitsPerPixel) {
      case 1:
        for (int x = 0; x < w; ++x) out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int x = 0; x < w; ++x) out[x] = table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
        break;
      case 8:
        for (int x = 0; x < w; ++x) out[x] = table[row[x]];
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const int v = U16(row + 2 * x);
          const int blue = v & 0x1F, green = (v >> 5) & 0x1F, red = (v >> 10) & 0x1F;
          out[x] = static_cast<std::int16_t>((3735 * blue + 19235 * green + 9798 * red) / 3984);
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x) out[x] = static_cast<std::int16_t>(Grey(row[3 * x], row[3 * x + 1], row[3 * x + 2]));
        break;
      default:  // 32
        for (int x = 0; x < w; ++x) out[x] = static_cast<std::int16_t>(Grey(row[4 * x], row[4 * x + 1], row[4 * x + 2]));
        break;
    }
  }
  return true;
}

// 0 up to 42, 1 up to 127, 2 up to 212, 3 above; without branches, since a
// dithered picture makes them unpredictable.
inline int LevelOf(int v) { return (v >= 43) + (v >= 128) + (v >= 213); }

inline void Spread(std::int16_t& target, std::int16_t amount) {
  target = static_cast<std::int16_t>(target + amount);
}

// Four levels by error diffusion, in 16-bit arithmetic with arithmetic shifts
// as the device's own pictures are made. Each value becomes its level.
void Diffuse(std::int16_t* g, int w, int h) {
  for (int y = 0; y < h; ++y) {
    std::int16_t* row = g + static_cast<std::size_t>(y) * w;
    std::int16_t* below = y < h - 1 ? row + w : nullptr;
    // The share for the right neighbour stays in a register: it is the one
    // the next pixel waits for. Sums wrap as 16-bit ones do, in any order.
    std::int16_t carry = 0;
    for (int x = 0; x < w; ++x) {
      const std::int16_t v = static_cast<std::int16_t>(row[x] + carry);
      const int level = LevelOf(v);
      const std::int16_t e = static_cast<std::int16_t>(v - 85 * level);
      carry = static_cast<std::int16_t>(static_cast<std::int16_t>(7 * e) >> 4);
      if (below) {
        if (x < w - 1) Spread(below[x + 1], static_cast<std::int16_t>(e >> 4));
        Spread(below[x], static_cast<std::int16_t>(static_cast<std::int16_t>(5 * e) >> 4));
        if (x > 0) Spread(below[x - 1], static_cast<std::int16_t>(static_cast<std::int16_t>(3 * e) >> 4));
      }
      row[x] = static_cast<std::int16_t>(level);
    }
  }
}

// Writes header and rows of levels; spare bits of a row's last byte are 1.
template <typename Level>
void WritePicture(const Level* levels, int w, int h, std::uint8_t* out) {
  std::memcpy(out, kPictureMagic.data(), kPictureMagic.size());
  PutU16(out + 11, static_cast<std::uint32_t>(w));
  PutU16(out + 13, static_cast<std::uint32_t>(h));
  std::uint8_t* dst = out + kPictureHeaderSize;
  for (int y = 0; y < h; ++y) {
    const Level* row = levels + static_cast<std::size_t>(y) * w;
    int x = 0;
    for (; x + 4 <= w; x += 4)
      *dst++ = static_cast<std::uint8_t>((row[x] & 3) << 6 | (row[x + 1] & 3) << 4 | (row[x + 2] & 3) << 2 | (row[x + 3] & 3));
    if (x < w) {
      std::uint8_t b = 0xFF;
      for (int shift = 6; x < w; ++x, shift -= 2)
        b = static_cast<std::uint8_t>((b & ~(3 << shift)) | (row[x] & 3) << shift);
      *dst++ = b;
    }
  }
}

}  // namespace

platform::Bytes GreysToPicture(std::vector<std::int16_t>& greys, int width, int height) {
  platform::Bytes out(kPictureHeaderSize + PictureRowBytes(width) * height);
  Diffuse(greys.data(), width, height);
  WritePicture(greys.data(), width, height, out.data());
  return out;
}

namespace {

int ConvertToPicture(BitmapSource& bitmap, platform::Bytes& picture) {
  BitmapLayout layout;
  if (const int code = ReadLayout(bitmap, layout); code != kPictureOk) return code;
  const int w = static_cast<int>(std::min<std::int64_t>(layout.width, kPictureMaxWidth));
  const int h = static_cast<int>(std::min<std::int64_t>(layout.rows, kPictureMaxHeight));
  try {
    std::vector<std::int16_t> grey(static_cast<std::size_t>(w) * h);
    platform::Bytes out(kPictureHeaderSize + PictureRowBytes(w) * h);
    if (!ReadGreys(bitmap, layout, w, h, grey.data())) return kPictureSourceMissing;
    Diffuse(grey.data(), w, h);
    WritePicture(grey.data(), w, h, out.data());
    picture = std::move(out);
  } catch (const std::bad_alloc&) {
    return kPictureNoMemory;
  }
  return kPictureOk;
}

// `others` passes a file that is no bitmap at all to other decoders.
int ConvertFileToPicture(const std::string& path, platform::Bytes& picture, bool others) {
  platform::ReadOnlyFile file;
  if (file.Open(path) != 0) return kPictureSourceMissing;
  FileBitmap source(file);
  std::uint8_t type[2] = {};
  std::size_t got = 0;
  if (others && (!source.ReadAt(0, type, 2, got) || got < 2 || type[0] != 'B' || type[1] != 'M'))
    return kPictureUnsupported;
  return ConvertToPicture(source, picture);
}

}  // namespace

int BitmapToPicture(std::span<const std::uint8_t> bitmap, platform::Bytes& picture) {
  MemoryBitmap source(bitmap);
  return ConvertToPicture(source, picture);
}

int BitmapFileToPicture(const std::string& path, platform::Bytes& picture) {
  return ConvertFileToPicture(path, picture, true);
}

int ConvertBitmapFile(const std::string& sourcePath, const std::string& destinationPath) {
  platform::Bytes picture;
  if (const int code = ConvertFileToPicture(sourcePath, picture, false); code != kPictureOk) return code;
  if (!platform::ReplaceFileAtomically(destinationPath, picture.data(), picture.size())) return kPictureNotWritten;
  return kPictureOk;
}

std::string PictureErrorText(int code, const std::string& sourcePath, const std::string& destinationPath) {
  switch (code) {
    case kPictureSourceMissing: return sourcePath + "图片不存在！";
    case kPictureNoMemory: return "复制文件" + sourcePath + "内存分配失败！";
    case kPictureDamaged: return sourcePath + "文件损坏！";
    case kPictureUnsupported: return sourcePath + "文件格式不支持！";
    case kPictureTooBig: return sourcePath + "文件太大";
    case kPictureNotWritten: return "保存图片" + (destinationPath.empty() ? sourcePath : destinationPath) + "失败！";
    default: return {};
  }
}

void ReportPictureError(int code, const std::string& sourcePath, platform::Notifier& notifier,
                        const std::string& destinationPath) {
  const std::string text = PictureErrorText(code, sourcePath, destinationPath);
  if (!text.empty()) notifier.ShowMessage(text);
}

bool ConvertBitmap(const std::string& sourcePath, const std::string& destinationPath, platform::Notifier& notifier) {
  int code = kPictureNoMemory;
  try {
    code = ConvertBitmapFile(sourcePath, destinationPath);
  } catch (const std::bad_alloc&) {
    code = kPictureNoMemory;
  }
  if (code == kPictureOk) return true;
  ReportPictureError(code, sourcePath, notifier, destinationPath);
  return false;
}

PictureDefect DecodePicture(std::span<const std::uint8_t> bytes, DevicePicture& picture) {
  if (bytes.size() < kPictureMagic.size() ||
      std::memcmp(bytes.data(), kPictureMagic.data(), kPictureMagic.size()) != 0)
    return PictureDefect::NotAPicture;
  if (bytes.size() < kPictureHeaderSize) return PictureDefect::Truncated;
  const int w = U16(bytes.data() + 11);
  const int h = U16(bytes.data() + 13);
  if (w > kPictureMaxWidth || h > kPictureMaxHeight) return PictureDefect::BadSize;
  const std::size_t rowBytes = PictureRowBytes(w);
  if (bytes.size() - kPictureHeaderSize < rowBytes * h) return PictureDefect::Truncated;

  DevicePicture out;
  out.width = w;
  out.height = h;
  out.levels.resize(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = bytes.data() + kPictureHeaderSize + rowBytes * y;
    for (int x = 0; x < w; ++x)
      out.levels[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>((row[x >> 2] >> (6 - 2 * (x & 3))) & 3);
  }
  picture = std::move(out);
  return PictureDefect::None;
}

std::string PictureDefectText(PictureDefect defect, const std::string& path) {
  switch (defect) {
    case PictureDefect::NotAPicture: return path + "不是设备图片文件！";
    case PictureDefect::BadSize: return path + "图片尺寸超出320×240，文件损坏！";
    case PictureDefect::Truncated: return path + "图片数据不完整，文件损坏！";
    default: return {};
  }
}

platform::Bytes EncodePicture(const DevicePicture& picture) {
  const int w = std::clamp(picture.width, 0, kPictureMaxWidth);
  const int h = std::clamp(picture.height, 0, kPictureMaxHeight);
  platform::Bytes out(kPictureHeaderSize + PictureRowBytes(w) * h);
  if (picture.levels.size() < static_cast<std::size_t>(w) * h) {
    // Missing pixels are black rather than read from beyond the vector.
    std::vector<std::uint8_t> padded(picture.levels);
    padded.resize(static_cast<std::size_t>(w) * h, 0);
    WritePicture(padded.data(), w, h, out.data());
  } else {
    WritePicture(picture.levels.data(), w, h, out.data());
  }
  return out;
}

platform::Bytes EncodePreviewBitmap(const DevicePicture& picture) {
  const int w = std::max(picture.width, 0);
  const int h = std::max(picture.height, 0);
  const std::size_t stride = (3 * static_cast<std::size_t>(w) + 3) / 4 * 4;
  const std::size_t size = kFileHeaderSize + kInfoHeaderSize + stride * h;
  platform::Bytes out(size, 0);
  std::uint8_t* p = out.data();
  PutU16(p, kBitmapType);
  PutU32(p + 2, static_cast<std::uint32_t>(size));
  PutU32(p + 10, kFileHeaderSize + kInfoHeaderSize);
  PutU32(p + 14, kInfoHeaderSize);
  PutU32(p + 18, static_cast<std::uint32_t>(w));
  PutU32(p + 22, static_cast<std::uint32_t>(h));
  PutU16(p + 26, 1);
  PutU16(p + 28, 24);
  PutU32(p + 34, static_cast<std::uint32_t>(stride * h));
  PutU32(p + 38, 2835);  // 72 dots per inch
  PutU32(p + 42, 2835);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = p + kFileHeaderSize + kInfoHeaderSize + stride * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const std::size_t k = static_cast<std::size_t>(y) * w + x;
      const std::uint8_t level = k < picture.levels.size() ? picture.levels[k] & 3 : 0;
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<std::uint8_t>(85 * level);
    }
  }
  return out;
}

}  // namespace dockline::convert
