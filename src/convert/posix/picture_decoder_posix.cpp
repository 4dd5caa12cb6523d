// Pictures decoded by Debian's libraries: libjpeg-turbo, libpng and giflib,
// each fuzzed upstream; bitmaps by our own reader. The file is read
// through a FILE* so that the fuzzers can hand in memory (fmemopen).
//
// Whatever a file claims, a decode stays within kDecodeMemoryBudget and
// takes time by the pixels its data can really make, not by the size its
// header names (the shape itself is checked by the sink's Begin):
// - JPEG: libjpeg's own memory limit; a file whose scans each carry part of
//   every pixel is refused from its header when its coefficients alone
//   would pass kCoefficientBudget; at most kMaxJpegScans scans.
// - PNG: a row at a time, interlaced passes straight to their places; the
//   chunks we never use are skipped unread, so no text or colour profile is
//   inflated, and zlib makes at most about a thousand bytes of one.
// - GIF: a frame may claim no more pixels than its LZW data can make, and
//   a screen far larger than the sink needs is averaged down as the frame
//   comes, so the white around a frame costs nothing.
// The stop token is tested between rows, and while a progressive JPEG's
// scans are taken in, in libjpeg's progress monitor.
//
// libjpeg and libpng report errors by longjmp: the functions that call
// setjmp hold nothing with a destructor that a jump could skip; their
// buffers belong to the caller.
#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// jpeglib.h needs <cstdio> before it.
#include <gif_lib.h>
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

#include "convert/bitmap_reader.h"
#include "convert/device_picture.h"
#include "convert/exif_orientation.h"
#include "convert/jpeg_frame.h"
#include "convert/picture_decoder.h"
#include "platform/drive_map.h"
#include "platform/file_system.h"

namespace dockline::convert {
namespace {

// ---- JPEG ---------------------------------------------------------------

// libjpeg writes a progressive file in 10 scans (6 for grey), optimisers in
// a few more; every scan walks all the blocks of its components, so a file
// that repeats them is cut off here.
constexpr int kMaxJpegScans = 100;

struct JpegWork {
  jpeg_decompress_struct info{};
  jpeg_error_mgr error{};
  jpeg_progress_mgr progress{};
  std::jmp_buf jump;
  const std::stop_token* stop = nullptr;
  DecodeStatus failure = DecodeStatus::Damaged;  // what a jump out of libjpeg means
  bool begun = false;
  int orientation = 1;
  std::array<std::uint8_t, 0xFFFF> segment;  // one APP1 segment: its length field allows no more
  std::vector<std::uint8_t> row;
};

JpegWork& WorkOf(j_common_ptr info) { return *static_cast<JpegWork*>(info->client_data); }

[[noreturn]] void JpegQuit(JpegWork& w, DecodeStatus why) {
  w.failure = why;
  std::longjmp(w.jump, 1);
}

extern "C" void JpegFail(j_common_ptr info) {
  // libjpeg's memory limit covers only the whole-picture buffers: past it, it asks for a backing store it has not got.
  const int code = info->err->msg_code;
  JpegQuit(WorkOf(info), code == JERR_NO_BACKING_STORE ? DecodeStatus::OverBudget
                         : code == JERR_OUT_OF_MEMORY  ? DecodeStatus::NoMemory
                                                       : DecodeStatus::Damaged);
}
extern "C" void JpegQuiet(j_common_ptr, int) {}

// Called for every row of blocks a progressive file's scans bring in, and
// for every row delivered.
extern "C" void JpegProgress(j_common_ptr info) {
  JpegWork& w = WorkOf(info);
  if (w.stop->stop_requested()) JpegQuit(w, DecodeStatus::Stopped);
  if (w.info.input_scan_number > kMaxJpegScans) JpegQuit(w, DecodeStatus::Damaged);
}

// APP1 segments are read here rather than kept by libjpeg: a file may hold
// any number of them (EXIF, XMP, …), and only the first orientation counts.
extern "C" boolean JpegApp1(j_decompress_ptr info) {
  JpegWork& w = WorkOf(reinterpret_cast<j_common_ptr>(info));
  jpeg_source_mgr& src = *info->src;
  // The stdio source never suspends: past the end of the file it hands out an end marker.
  const auto fill = [&] {
    if (src.bytes_in_buffer == 0) src.fill_input_buffer(info);
  };
  std::size_t length = 0;
  for (int k = 0; k < 2; ++k, ++src.next_input_byte, --src.bytes_in_buffer)
    fill(), length = length << 8 | *src.next_input_byte;
  length = length < 2 ? 0 : length - 2;
  for (std::size_t got = 0; got < length;) {
    fill();
    const std::size_t n = std::min(length - got, src.bytes_in_buffer);
    std::memcpy(w.segment.data() + got, src.next_input_byte, n);
    src.next_input_byte += n, src.bytes_in_buffer -= n, got += n;
  }
  if (w.orientation == 1) w.orientation = ExifOrientation({w.segment.data(), length});
  return TRUE;
}

// The largest DCT scaling (n/8) that keeps the picture at least as large as the sink allows.
void ChooseJpegScale(jpeg_decompress_struct& info, PictureSize smallest) {
  unsigned n = 1;
  for (; n < 8; ++n)
    if ((info.image_width * n + 7) / 8 >= static_cast<unsigned>(smallest.width) &&
        (info.image_height * n + 7) / 8 >= static_cast<unsigned>(smallest.height))
      break;
  info.scale_num = n;
  info.scale_denom = 8;
}

bool DecodeJpegSteps(std::FILE* file, PictureSink& sink, JpegWork& w) {
  jpeg_decompress_struct& info = w.info;
  info.err = jpeg_std_error(&w.error);
  w.error.error_exit = JpegFail;
  w.error.emit_message = JpegQuiet;
  info.client_data = &w;  // kept by jpeg_create_decompress
  if (setjmp(w.jump)) return false;
  jpeg_create_decompress(&info);
  w.begun = true;
  info.mem->max_memory_to_use = kDecodeMemoryBudget;
  w.progress.progress_monitor = JpegProgress;
  info.progress = &w.progress;
  jpeg_stdio_src(&info, file);
  jpeg_set_marker_processor(&info, JPEG_APP0 + 1, JpegApp1);
  jpeg_read_header(&info, TRUE);
  if (!sink.Begin(static_cast<int>(info.image_width), static_cast<int>(info.image_height), w.orientation))
    JpegQuit(w, DecodeStatus::Refused);
  // Scans that each carry part of every pixel need all the picture's
  // coefficients at once, at full size whatever the scaling: refused here
  // rather than found out by the allocation.
  if (jpeg_has_multiple_scans(&info)) {
    std::array<JpegSampling, MAX_COMPONENTS> samplings;
    for (int c = 0; c < info.num_components; ++c)
      samplings[c] = {info.comp_info[c].h_samp_factor, info.comp_info[c].v_samp_factor};
    const auto components = std::span(samplings).first(static_cast<std::size_t>(info.num_components));
    if (WholeCoefficientBytes(info.image_width, info.image_height, components) > kCoefficientBudget)
      JpegQuit(w, DecodeStatus::OverBudget);
  }
  ChooseJpegScale(info, sink.Smallest());
  // Our own averaging follows, over several pixels each: smoothing the
  // colour planes on the way up would buy nothing.
  info.do_fancy_upsampling = FALSE;
  // Printers' CMYK JPEGs are the one kind libjpeg will not turn into RGB.
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&info);
  sink.Delivering(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
  w.row.resize(static_cast<std::size_t>(info.output_width) * static_cast<std::size_t>(info.output_components));
  // Adobe's writers store the light left (255: no ink) and say so in their
  // marker, which YCCK always has; every other writer stores the ink.
  const std::uint8_t flip = info.saw_Adobe_marker ? 0 : 0xFF;
  while (info.output_scanline < info.output_height) {
    if (w.stop->stop_requested()) JpegQuit(w, DecodeStatus::Stopped);
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {w.row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    std::uint8_t* p = w.row.data();
    for (JDIMENSION x = 0; cmyk && x < info.output_width; ++x) {
      const int light[4] = {p[4 * x] ^ flip, p[4 * x + 1] ^ flip, p[4 * x + 2] ^ flip, p[4 * x + 3] ^ flip};
      for (int i = 0; i < 3; ++i) p[3 * x + i] = static_cast<std::uint8_t>((light[i] * light[3] + 127) / 255);
    }
    sink.Pixels(y, 0, 1, static_cast<int>(info.output_width), p, PixelOrder::Rgb);
  }
  // Every row is in: what follows in the file (a damaged tail, more
  // markers) changes nothing, so it is not read.
  return true;
}

DecodeStatus DecodeJpeg(std::FILE* file, PictureSink& sink, const std::stop_token& stop) {
  auto w = std::make_unique<JpegWork>();
  w->stop = &stop;
  DecodeStatus status = DecodeStatus::Damaged;
  try {
    status = DecodeJpegSteps(file, sink, *w) ? DecodeStatus::Ok : w->failure;
  } catch (const std::bad_alloc&) {  // from the sink or our row, between libjpeg's calls
    status = DecodeStatus::NoMemory;
  }
  if (w->begun) jpeg_destroy_decompress(&w->info);
  return status;
}

// ---- PNG ----------------------------------------------------------------

struct PngWork {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const std::stop_token* stop = nullptr;
  DecodeStatus failure = DecodeStatus::Damaged;
  std::vector<std::uint8_t> row;
};

// libpng's own handlers would print to the console; the error still jumps back to us.
extern "C" void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
extern "C" void PngWarning(png_structp, png_const_charp) {}

bool DecodePngSteps(std::FILE* file, PictureSink& sink, PngWork& w) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_init_io(w.png, file);
  // Pictures beyond the sink's limit are refused by their shape, not by libpng's own (smaller) default.
  png_set_user_limits(w.png, 0x7FFFFFFF, 0x7FFFFFFF);
  // Every chunk but the pixels, the palette and its transparency is skipped
  // unread: none changes what we show, and texts and profiles inflate.
  png_set_keep_unknown_chunks(w.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_chunk_cache_max(w.png, 16);
  png_set_chunk_malloc_max(w.png, 1 << 20);
  png_read_info(w.png, w.info);
  const png_uint_32 width = png_get_image_width(w.png, w.info);
  const png_uint_32 height = png_get_image_height(w.png, w.info);
  if (!sink.Begin(static_cast<int>(width), static_cast<int>(height), 1)) {
    w.failure = DecodeStatus::Refused;
    return false;
  }
  // Everything becomes 8-bit RGBA: palettes, greys, transparency, 16 bits.
  png_set_expand(w.png);
  png_set_strip_16(w.png);
  png_set_gray_to_rgb(w.png);
  png_set_add_alpha(w.png, 0xFF, PNG_FILLER_AFTER);
  // No interlace handling: libpng then hands over each pass as rows of its
  // own pixels only, leaving out the passes without any, and they go
  // straight to their places, with no buffer of the whole picture.
  png_read_update_info(w.png, w.info);
  w.row.resize(png_get_rowbytes(w.png, w.info));
  const bool interlaced = png_get_interlace_type(w.png, w.info) == PNG_INTERLACE_ADAM7;
  sink.Delivering(static_cast<int>(width), static_cast<int>(height));
  for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
    const png_uint_32 columns = interlaced ? PNG_PASS_COLS(width, pass) : width;
    const png_uint_32 rows = interlaced ? PNG_PASS_ROWS(height, pass) : height;
    if (columns == 0 || rows == 0) continue;
    const int x0 = interlaced ? static_cast<int>(PNG_PASS_START_COL(pass)) : 0;
    const int step = interlaced ? 1 << PNG_PASS_COL_SHIFT(pass) : 1;
    for (png_uint_32 r = 0; r < rows; ++r) {
      if (w.stop->stop_requested()) {
        w.failure = DecodeStatus::Stopped;
        return false;
      }
      png_read_row(w.png, w.row.data(), nullptr);
      const png_uint_32 y = interlaced ? PNG_ROW_FROM_PASS_ROW(r, pass) : r;
      sink.Pixels(static_cast<int>(y), x0, step, static_cast<int>(columns), w.row.data(), PixelOrder::Rgba);
    }
  }
  // The chunks after the last row (a damaged end among them) change nothing.
  return true;
}

DecodeStatus DecodePng(std::FILE* file, PictureSink& sink, const std::stop_token& stop) {
  PngWork w;
  w.stop = &stop;
  w.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!w.png) return DecodeStatus::NoMemory;
  w.info = png_create_info_struct(w.png);
  if (!w.info) {
    png_destroy_read_struct(&w.png, nullptr, nullptr);
    return DecodeStatus::NoMemory;
  }
  DecodeStatus status = DecodeStatus::Damaged;
  try {
    status = DecodePngSteps(file, sink, w) ? DecodeStatus::Ok : w.failure;
  } catch (const std::bad_alloc&) {
    status = DecodeStatus::NoMemory;
  }
  png_destroy_read_struct(&w.png, &w.info, nullptr);
  return status;
}

// ---- GIF: the first frame over the logical screen ------------------------

// Records before the first frame: a loop count, a comment, the frame's
// timing; editors add a few more.
constexpr int kMaxGifRecords = 256;

// The most pixels LZW data of `bytes` bytes can make. A code of w bits
// names at most one of 2^w table entries, and an entry's pixels are a chain
// through entries already made (giflib's stack stops a chain at 4095), plus
// two; 12-bit codes make the most, about 2730 pixels a byte.
std::uint64_t MostLzwPixels(std::uint64_t bytes) { return bytes * 8 / 12 * 4098 + 4098; }

std::int64_t RemainingBytes(std::FILE* file) {
  const off_t here = ftello(file);
  if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return -1;
  const off_t end = ftello(file);
  if (fseeko(file, here, SEEK_SET) != 0 || end < here) return -1;
  return end - here;
}

float LinearOf(int v) {
  const double c = v / 255.0;
  return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

// Linear light back to 8-bit sRGB in 2^14 steps: fine enough that a block
// of one colour comes back as that colour.
constexpr int kLightSteps = (1 << 14) - 1;
const std::vector<std::uint8_t>& SrgbOfLight() {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(kLightSteps + 1);
    for (int k = 0; k <= kLightSteps; ++k) {
      const double l = static_cast<double>(k) / kLightSteps;
      const double coded = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
      t[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(std::lround(255 * coded));
    }
    return t;
  }();
  return table;
}

// The screen as the sink takes it: at full size, the frame's rows as they
// come over white; or, when the screen is at least twice what the sink
// needs each way, averaged down in linear light by whole blocks as the
// frame's pixels come, so that the screen's white costs nothing.
class GifScreen {
 public:
  GifScreen(int width, int height, PictureSize smallest, const ColorMapObject& colours, int transparent)
      : width_(width), height_(height),
        factor_(std::max(1, std::min(width / std::max(1, smallest.width), height / std::max(1, smallest.height)))),
        out_{(width + factor_ - 1) / factor_, (height + factor_ - 1) / factor_} {
    for (int k = 0; k < 256; ++k) {
      const bool shown = k != transparent && k < colours.ColorCount;
      const GifColorType c = shown ? colours.Colors[k] : GifColorType{0xFF, 0xFF, 0xFF};
      rgb_[k] = {c.Red, c.Green, c.Blue};
      for (int i = 0; i < 3; ++i) shade_[k][i] = 1.0f - LinearOf(rgb_[k][i]);
    }
    if (factor_ == 1) {
      row_.resize(3 * static_cast<std::size_t>(width));
      covered_.resize(static_cast<std::size_t>(height));
    } else {
      shades_.assign(3 * static_cast<std::size_t>(out_.width) * out_.height, 0.0f);
    }
  }
  PictureSize Delivered() const { return out_; }

  // The pixels of screen row y from column x0 on.
  void Row(int y, int x0, const GifPixelType* indices, int count, PictureSink& sink) {
    if (factor_ == 1) {
      std::fill(row_.begin(), row_.end(), 0xFF);
      for (int k = 0; k < count; ++k)
        std::memcpy(&row_[3 * static_cast<std::size_t>(x0 + k)], rgb_[indices[k]].data(), 3);
      sink.Pixels(y, 0, 1, width_, row_.data(), PixelOrder::Rgb);
      covered_[static_cast<std::size_t>(y)] = true;
      return;
    }
    float* cells = shades_.data() + 3 * static_cast<std::size_t>(y / factor_) * out_.width;
    for (int k = 0; k < count; ++k) {
      float* cell = cells + 3 * ((x0 + k) / factor_);
      const auto& s = shade_[indices[k]];
      cell[0] += s[0], cell[1] += s[1], cell[2] += s[2];
    }
  }

  // What no frame row reached is white.
  bool Finish(PictureSink& sink, const std::stop_token& stop) {
    if (factor_ == 1) {
      std::fill(row_.begin(), row_.end(), 0xFF);
      for (int y = 0; y < height_; ++y) {
        if (covered_[static_cast<std::size_t>(y)]) continue;
        if (stop.stop_requested()) return false;
        sink.Pixels(y, 0, 1, width_, row_.data(), PixelOrder::Rgb);
      }
      return true;
    }
    const auto& srgb = SrgbOfLight();
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(out_.width));
    for (int y = 0; y < out_.height; ++y) {
      if (stop.stop_requested()) return false;
      const int rows = std::min(height_, (y + 1) * factor_) - y * factor_;
      const float* cell = shades_.data() + 3 * static_cast<std::size_t>(y) * out_.width;
      for (int x = 0; x < out_.width; ++x) {
        const float area = static_cast<float>(rows * (std::min(width_, (x + 1) * factor_) - x * factor_));
        for (int i = 0; i < 3; ++i, ++cell) {
          const float light = std::clamp(1.0f - *cell / area, 0.0f, 1.0f);
          row[3 * static_cast<std::size_t>(x) + i] = srgb[static_cast<std::size_t>(std::lround(light * kLightSteps))];
        }
      }
      sink.Pixels(y, 0, 1, out_.width, row.data(), PixelOrder::Rgb);
    }
    return true;
  }

 private:
  int width_, height_, factor_;
  PictureSize out_;
  std::array<std::array<std::uint8_t, 3>, 256> rgb_;  // by index; transparent and unknown indices white
  std::array<std::array<float, 3>, 256> shade_;       // 1 − linear light, by index
  std::vector<std::uint8_t> row_;
  std::vector<bool> covered_;
  std::vector<float> shades_;  // per delivered pixel: the sum of its screen pixels' shades
};

extern "C" int GifRead(GifFileType* gif, GifByteType* buffer, int size) {
  return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(gif->UserData)));
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

DecodeStatus DecodeGif(std::FILE* file, PictureSink& sink, const std::stop_token& stop) {
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(file, GifRead, &error));
  if (!gif) return DecodeStatus::Damaged;
  const int width = gif->SWidth, height = gif->SHeight;
  if (!sink.Begin(width, height, 1)) return DecodeStatus::Refused;
  int transparent = -1;
  for (int records = 0;; ++records) {
    GifRecordType type;
    if (records > kMaxGifRecords || DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return DecodeStatus::Damaged;
    if (type == TERMINATE_RECORD_TYPE) return DecodeStatus::Damaged;  // no frame at all
    if (type == IMAGE_DESC_RECORD_TYPE) break;
    if (type != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return DecodeStatus::Damaged;
    // The last graphic control block before the frame is the frame's.
    if (code == GRAPHICS_EXT_FUNC_CODE && block) transparent = block[0] >= 4 && (block[1] & 1) ? block[4] : -1;
    while (block)
      if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return DecodeStatus::Damaged;
  }
  if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return DecodeStatus::Damaged;
  const GifImageDesc frame = gif->Image;
  const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!colours || frame.Width <= 0 || frame.Height <= 0) return DecodeStatus::Damaged;

  // The frame's rows in their stored order, up to the last one on the
  // screen; what lies beyond the screen is never shown.
  static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  const int passes = frame.Interlace ? 4 : 1;
  std::vector<int> order;
  const int left = std::min(frame.Left, width), right = std::min(frame.Left + frame.Width, width);
  for (int pass = 0; pass < passes && left < right; ++pass)
    for (int r = frame.Interlace ? kStart[pass] : 0; r < frame.Height; r += frame.Interlace ? kStep[pass] : 1)
      order.push_back(r);
  std::size_t needed = order.size();
  while (needed > 0 && frame.Top + order[needed - 1] >= height) --needed;
  const std::int64_t remaining = RemainingBytes(file);
  const std::uint64_t claimed = needed * static_cast<std::uint64_t>(frame.Width);
  if (remaining >= 0 && claimed > MostLzwPixels(static_cast<std::uint64_t>(remaining))) return DecodeStatus::Damaged;

  GifScreen screen(width, height, sink.Smallest(), *colours, transparent);
  sink.Delivering(screen.Delivered().width, screen.Delivered().height);
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  for (std::size_t i = 0; i < needed; ++i) {
    if (stop.stop_requested()) return DecodeStatus::Stopped;
    if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return DecodeStatus::Damaged;
    const int y = frame.Top + order[i];
    if (y < height) screen.Row(y, left, line.data() + (left - frame.Left), right - left, sink);
  }
  return screen.Finish(sink, stop) ? DecodeStatus::Ok : DecodeStatus::Stopped;
}

// ---- Bitmaps: our own reader, the same as for files and on Windows -------

DecodeStatus DecodeBitmap(std::FILE* file, PictureSink& sink, const std::stop_token& stop) {
  // The stream read where the reader asks; a seek only where it jumps.
  struct StreamSource : BitmapSource {
    std::FILE* file;
    std::uint64_t size = 0, at = 0;
    explicit StreamSource(std::FILE* f) : file(f) {}
    std::uint64_t Size() const override { return size; }
    bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t n, std::size_t& got) override {
      got = 0;
      if (offset >= size) return true;
      if (offset != at && fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
      got = std::fread(buffer, 1, n, file);
      at = offset + got;
      return !std::ferror(file);
    }
  } source(file);
  if (fseeko(file, 0, SEEK_END) != 0) return DecodeStatus::Unreadable;
  const off_t end = ftello(file);
  if (end < 0 || fseeko(file, 0, SEEK_SET) != 0) return DecodeStatus::Unreadable;
  source.size = static_cast<std::uint64_t>(end);
  return ReadBitmap(source, sink, stop);
}

}  // namespace

DecodeStatus DecodePictureStream(std::FILE* file, PictureSink& sink, std::stop_token stop) {
  std::uint8_t magic[8] = {};
  const std::size_t got = std::fread(magic, 1, sizeof magic, file);
  if (std::ferror(file)) return DecodeStatus::Unreadable;
  if (std::fseek(file, 0, SEEK_SET) != 0) return DecodeStatus::Unreadable;
  try {
    if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return DecodeJpeg(file, sink, stop);
    if (got >= 8 && png_sig_cmp(magic, 0, 8) == 0) return DecodePng(file, sink, stop);
    if (got >= 6 && (std::memcmp(magic, "GIF87a", 6) == 0 || std::memcmp(magic, "GIF89a", 6) == 0))
      return DecodeGif(file, sink, stop);
    if (got >= 2 && magic[0] == 'B' && magic[1] == 'M') return DecodeBitmap(file, sink, stop);
  } catch (const std::bad_alloc&) {
    return DecodeStatus::NoMemory;
  }
  return DecodeStatus::NotAPicture;
}

DecodeStatus DecodePictureFile(const std::string& path, PictureSink& sink, std::stop_token stop) {
  std::FILE* file = std::fopen(platform::ToNativePath(path).c_str(), "rbe");
  if (!file) return DecodeStatus::Unreadable;
  const DecodeStatus status = DecodePictureStream(file, sink, stop);
  std::fclose(file);
  return status;
}

}  // namespace dockline::convert
