// Pictures decoded by Debian's libraries: libjpeg-turbo, libpng and giflib,
// each fuzzed upstream; bitmaps by our own reader. The file is read
// through a FILE* so that the fuzzers can hand in memory (fmemopen).
//
// libjpeg and libpng report errors by longjmp: the functions that call
// setjmp hold nothing with a destructor that a jump could skip; their
// buffers belong to the caller.
#include <csetjmp>
#include <cstdio>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "convert/bitmap_reader.h"
#include "convert/device_picture.h"
#include "convert/exif_orientation.h"
#include "convert/picture_decoder.h"
#include "platform/drive_map.h"
#include "platform/file_system.h"

namespace dockline::convert {
namespace {

// ---- JPEG ---------------------------------------------------------------

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

extern "C" void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
extern "C" void JpegQuiet(j_common_ptr, int) {}

struct JpegWork {
  jpeg_decompress_struct info{};
  JpegError error{};
  std::vector<std::uint8_t> row;
  bool begun = false;
  bool refused = false;
  bool stopped = false;
};

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

bool DecodeJpegSteps(std::FILE* file, PictureSink& sink, JpegWork& w, const std::stop_token& stop) {
  jpeg_decompress_struct& info = w.info;
  info.err = jpeg_std_error(&w.error.mgr);
  w.error.mgr.error_exit = JpegFail;
  w.error.mgr.emit_message = JpegQuiet;
  if (setjmp(w.error.jump)) return false;
  jpeg_create_decompress(&info);
  w.begun = true;
  jpeg_stdio_src(&info, file);
  jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  int orientation = 1;
  for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next)
    if (m->marker == JPEG_APP0 + 1 && (orientation = ExifOrientation({m->data, m->data_length})) != 1) break;
  if (!sink.Begin(static_cast<int>(info.image_width), static_cast<int>(info.image_height), orientation)) {
    w.refused = true;
    return false;
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
  while (info.output_scanline < info.output_height) {
    if (stop.stop_requested()) {
      w.stopped = true;
      return false;
    }
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {w.row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    if (cmyk) {  // Adobe writes them inverted: each value is the light left
      std::uint8_t* p = w.row.data();
      for (JDIMENSION x = 0; x < info.output_width; ++x) {
        const unsigned k = p[4 * x + 3];
        p[3 * x] = static_cast<std::uint8_t>(p[4 * x] * k / 255);
        p[3 * x + 1] = static_cast<std::uint8_t>(p[4 * x + 1] * k / 255);
        p[3 * x + 2] = static_cast<std::uint8_t>(p[4 * x + 2] * k / 255);
      }
    }
    sink.Pixels(y, 0, 1, static_cast<int>(info.output_width), w.row.data(), PixelOrder::Rgb);
  }
  jpeg_finish_decompress(&info);
  return true;
}

DecodeStatus DecodeJpeg(std::FILE* file, PictureSink& sink, const std::stop_token& stop) {
  auto w = std::make_unique<JpegWork>();
  // JPEG rows are at most 65535 pixels: one row buffer of that covers every picture.
  w->row.resize(4 * 65535);
  DecodeStatus status = DecodeStatus::Damaged;
  try {
    if (DecodeJpegSteps(file, sink, *w, stop)) status = DecodeStatus::Ok;
    else if (w->refused) status = DecodeStatus::Refused;
    else if (w->stopped) status = DecodeStatus::Stopped;
  } catch (const std::bad_alloc&) {  // from the sink, between libjpeg's calls
    status = DecodeStatus::NoMemory;
  }
  if (w->begun) jpeg_destroy_decompress(&w->info);
  return status;
}

// ---- PNG ----------------------------------------------------------------

struct PngWork {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> row;
  bool refused = false;
  bool stopped = false;
};

extern "C" void PngWarning(png_structp, png_const_charp) {}

bool DecodePngSteps(std::FILE* file, PictureSink& sink, PngWork& w, const std::stop_token& stop) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_init_io(w.png, file);
  // Pictures beyond the sink's limit are refused by size, not by libpng's own (smaller) default.
  png_set_user_limits(w.png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_read_info(w.png, w.info);
  const png_uint_32 width = png_get_image_width(w.png, w.info);
  const png_uint_32 height = png_get_image_height(w.png, w.info);
  if (!sink.Begin(static_cast<int>(width), static_cast<int>(height), 1)) {
    w.refused = true;
    return false;
  }
  // Everything becomes 8-bit RGBA: palettes, greys, transparency, 16 bits.
  png_set_expand(w.png);
  png_set_strip_16(w.png);
  png_set_gray_to_rgb(w.png);
  png_set_add_alpha(w.png, 0xFF, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(w.png);
  png_read_update_info(w.png, w.info);
  sink.Delivering(static_cast<int>(width), static_cast<int>(height));
  if (png_get_rowbytes(w.png, w.info) > w.row.size()) longjmp(png_jmpbuf(w.png), 1);
  const bool interlaced = png_get_interlace_type(w.png, w.info) == PNG_INTERLACE_ADAM7;
  for (int pass = 0; pass < passes; ++pass) {
    if (!interlaced) {
      for (png_uint_32 y = 0; y < height; ++y) {
        if (stop.stop_requested()) return !(w.stopped = true);
        png_read_row(w.png, w.row.data(), nullptr);
        sink.Pixels(static_cast<int>(y), 0, 1, static_cast<int>(width), w.row.data(), PixelOrder::Rgba);
      }
      continue;
    }
    // Each pass is a small picture of its own; its pixels go straight to
    // their places, so no buffer of the whole picture is needed.
    const png_uint_32 columns = PNG_PASS_COLS(width, pass);
    const png_uint_32 rows = PNG_PASS_ROWS(height, pass);
    if (columns == 0) continue;
    for (png_uint_32 r = 0; r < rows; ++r) {
      if (stop.stop_requested()) return !(w.stopped = true);
      png_read_row(w.png, w.row.data(), nullptr);
      sink.Pixels(static_cast<int>(PNG_ROW_FROM_PASS_ROW(r, pass)), static_cast<int>(PNG_PASS_START_COL(pass)),
                  1 << PNG_PASS_COL_SHIFT(pass), static_cast<int>(columns), w.row.data(), PixelOrder::Rgba);
    }
  }
  png_read_end(w.png, nullptr);
  return true;
}

DecodeStatus DecodePng(std::FILE* file, PictureSink& sink, const std::stop_token& stop) {
  PngWork w;
  w.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, PngWarning);
  if (!w.png) return DecodeStatus::NoMemory;
  w.info = png_create_info_struct(w.png);
  if (!w.info) {
    png_destroy_read_struct(&w.png, nullptr, nullptr);
    return DecodeStatus::NoMemory;
  }
  // Width is at most 2^31 - 1 but a picture beyond kMaxPicturePixels is
  // refused first; the row buffer is sized once the header is read.
  struct Sizer : PictureSink {
    PictureSink& inner;
    std::vector<std::uint8_t>& row;
    Sizer(PictureSink& s, std::vector<std::uint8_t>& r) : inner(s), row(r) {}
    bool Begin(int width, int height, int orientation) override {
      if (!inner.Begin(width, height, orientation)) return false;
      row.resize(4 * static_cast<std::size_t>(width));
      return true;
    }
    PictureSize Smallest() const override { return inner.Smallest(); }
    void Delivering(int width, int height) override { inner.Delivering(width, height); }
    void Pixels(int y, int x0, int step, int count, const std::uint8_t* p, PixelOrder o) override {
      inner.Pixels(y, x0, step, count, p, o);
    }
  };
  DecodeStatus status = DecodeStatus::Damaged;
  try {
    Sizer sizer(sink, w.row);
    if (DecodePngSteps(file, sizer, w, stop)) status = DecodeStatus::Ok;
    else if (w.refused) status = DecodeStatus::Refused;
    else if (w.stopped) status = DecodeStatus::Stopped;
  } catch (const std::bad_alloc&) {
    status = DecodeStatus::NoMemory;
  }
  png_destroy_read_struct(&w.png, &w.info, nullptr);
  return status;
}

// ---- GIF: the first frame over the logical screen ------------------------

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
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return DecodeStatus::Damaged;
    if (type == TERMINATE_RECORD_TYPE) return DecodeStatus::Damaged;  // no frame at all
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return DecodeStatus::Damaged;
      while (block) {
        if (code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4 && (block[1] & 1)) transparent = block[4];
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return DecodeStatus::Damaged;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return DecodeStatus::Damaged;
    break;
  }
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!colours || frame.Width <= 0 || frame.Height <= 0) return DecodeStatus::Damaged;
  sink.Delivering(width, height);

  // Outside the first frame, and where it is transparent, the screen stays white.
  std::vector<std::uint8_t> white(4 * static_cast<std::size_t>(width), 0xFF);
  std::vector<std::uint8_t> rgba(white);
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  std::vector<bool> covered(static_cast<std::size_t>(height), false);
  static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  const int passes = frame.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (int r = frame.Interlace ? kStart[pass] : 0; r < frame.Height; r += frame.Interlace ? kStep[pass] : 1) {
      if (stop.stop_requested()) return DecodeStatus::Stopped;
      if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return DecodeStatus::Damaged;
      const int y = frame.Top + r;
      if (y < 0 || y >= height) continue;
      rgba = white;
      for (int k = 0; k < frame.Width; ++k) {
        const int x = frame.Left + k;
        const int index = line[static_cast<std::size_t>(k)];
        if (x >= width || index == transparent || index >= colours->ColorCount) continue;
        const GifColorType& c = colours->Colors[index];
        std::uint8_t* p = rgba.data() + 4 * static_cast<std::size_t>(x);
        p[0] = c.Red, p[1] = c.Green, p[2] = c.Blue;
      }
      sink.Pixels(y, 0, 1, width, rgba.data(), PixelOrder::Rgba);
      covered[static_cast<std::size_t>(y)] = true;
    }
  }
  for (int y = 0; y < height; ++y)
    if (!covered[static_cast<std::size_t>(y)]) sink.Pixels(y, 0, 1, width, white.data(), PixelOrder::Rgba);
  return DecodeStatus::Ok;
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
