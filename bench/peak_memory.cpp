// Peak memory of one conversion, relative to the size of its input file.
//
//   peak_memory make-html FILE MEGABYTES   write a page to convert
//   peak_memory make-bmp FILE WIDTH HEIGHT write a 24-bit bitmap
//   peak_memory make-png FILE WIDTH HEIGHT write a photograph-like PNG, row by row
//   peak_memory picture FILE               convert any picture, report
//   peak_memory html FILE                  convert a page, report
//   peak_memory bmp FILE                   convert a bitmap, report
//   peak_memory copy FILE                  download a file to a device folder, report
//   peak_memory make-jpeg FILE W H [progressive]   a smooth photograph-like JPEG, row by row
//   peak_memory make-gif FILE W H          a GIF whose one frame fills its screen, row by row
//   peak_memory make-interlaced-png FILE W H  a 16-bit RGBA interlaced PNG
//   peak_memory make-claim KIND FILE W H   a small file whose header claims W x H:
//                                          png (48 KB of data), progressive (a 16 x 16 JPEG's scans),
//                                          gif-frame (20 bytes of LZW data), gif-screen (a 1 x 1 frame)
//   peak_memory hostile FILE               convert any picture, report its code, time and memory
//   peak_memory stop FILE MS               convert on a thread, ask it to stop after MS ms, report
//                                          how long the stop took to return
//
// The inputs are made by a separate run so that the measuring process holds
// nothing but the conversion. Two figures: the peak of live heap bytes
// (counted by the allocation functions below) and the growth of the
// resident set's high-water mark (getrusage).
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <thread>

// jpeglib.h needs <cstdio> before it.
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "convert/device_picture.h"
#include "convert/html_to_text.h"
#include "convert/picture_file.h"
#include "download/category_table.h"
#include "download/download_run.h"
#include "inputs.h"
#include "platform/file_system.h"

namespace {

std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};

// Each block carries its size in front so that the count can be kept.
constexpr std::size_t kHead = alignof(std::max_align_t);

void* Allocate(std::size_t n) {
  auto* p = static_cast<unsigned char*>(std::malloc(n + kHead));
  if (!p) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(p) = n;
  const std::size_t live = gLive.fetch_add(n) + n;
  std::size_t peak = gPeak.load();
  while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
  }
  return p + kHead;
}

void Release(void* q) {
  if (!q) return;
  auto* p = static_cast<unsigned char*>(q) - kHead;
  gLive.fetch_sub(*reinterpret_cast<std::size_t*>(p));
  std::free(p);
}

// Processor time of this process so far, ms: on a busy machine the honest figure beside the wall clock's.
double CpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

long MaxRssKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

class Silent : public dockline::platform::Notifier {
 public:
  void ShowMessage(std::string_view utf8) override { std::fprintf(stderr, "%.*s\n", int(utf8.size()), utf8.data()); }
};

class SilentPrompts : public dockline::download::DownloadPrompts {
 public:
  void ShowMessage(std::string_view utf8) override { std::fprintf(stderr, "%.*s\n", int(utf8.size()), utf8.data()); }
  void ShowPageMessage(std::string_view) override {}
  std::optional<dockline::download::OverwriteChoice> AskOverwrite(const dockline::download::OverwriteQuestion&) override {
    return dockline::download::OverwriteChoice::YesToAll;
  }
};

// One whole download run of `file` into a fresh device folder, as the program makes it.
bool DownloadOnce(const std::string& file, std::string& made) {
  using namespace dockline;
  const std::string device = platform::TempFolder() + "dockline-peak-device";
  SilentPrompts prompts;
  if (!download::PrepareDownload(device, platform::MakeDirectory(device) || platform::IsDirectory(device), 1, prompts))
    return false;
  download::DownloadRow row{true, download::CategoryTable::typeText(0),
                            {true, 0, std::string(platform::FileNamePart(file)), 1, file}};
  download::DownloadFiles files;
  download::DownloadProgress progress;
  download::PauseGate gate;
  download::RunSettings settings;
  settings.deviceRoot = device;
  download::DownloadRun run(settings, files, prompts, progress, gate);
  const bool ok = run.Run({row}, {}) == download::RunEnd::Completed && progress.downloaded == 1;
  made = download::DeviceFilePath(device, download::CategoryTable::devicePath('A', 0, row.entry.name));
  return ok;
}

// Written row by row (each pass of an interlaced one whole again), so that
// even the largest picture costs this program one row.
bool WritePng(const std::string& file, int width, int height, int depth, int colourType, bool interlaced,
              const std::function<void(int y, std::vector<png_byte>& row)>& fill) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(out);
    return false;
  }
  png_init_io(png, out);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, width, height, depth, colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const int passes = interlaced ? png_set_interlace_handling(png) : 1;
  const int channels = colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
  std::vector<png_byte> row(static_cast<std::size_t>(channels) * (depth / 8) * static_cast<std::size_t>(width));
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < height; ++y) {
      fill(y, row);
      png_write_row(png, row.data());
    }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(out) == 0;
}

bool MakePng(const std::string& file, int width, int height) {
  std::uint32_t noise = 1;
  return WritePng(file, width, height, 8, PNG_COLOR_TYPE_RGB, false, [&](int y, std::vector<png_byte>& row) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int n = static_cast<int>(noise >> 27);
      row[3 * x] = static_cast<png_byte>((x * 255 / width + n) & 0xFF);
      row[3 * x + 1] = static_cast<png_byte>((y * 255 / height + n) & 0xFF);
      row[3 * x + 2] = static_cast<png_byte>(((x + y) * 127 / (width + height) + n) & 0xFF);
    }
  });
}

// Smooth colours with a little texture: compresses as photographs do, quickly.
inline std::uint8_t Smooth(int x, int y, int width, int height, int channel) {
  const int base = channel == 0 ? x * 255 / width : channel == 1 ? y * 255 / height : (x + y) * 127 / (width + height);
  return static_cast<std::uint8_t>(base + ((x * 7 + y * 13 + channel * 5) & 15));
}

bool MakeJpeg(const std::string& file, int width, int height, bool progressive) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  jpeg_compress_struct c{};
  jpeg_error_mgr error{};
  c.err = jpeg_std_error(&error);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, out);
  c.image_width = static_cast<JDIMENSION>(width), c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3, c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 85, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(3 * static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      for (int k = 0; k < 3; ++k) row[3 * static_cast<std::size_t>(x) + k] = Smooth(x, y, width, height, k);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(out) == 0;
}

extern "C" int GifWrite(GifFileType* gif, const GifByteType* data, int n) {
  return static_cast<int>(std::fwrite(data, 1, static_cast<std::size_t>(n), static_cast<std::FILE*>(gif->UserData)));
}

bool MakeGif(const std::string& file, int width, int height) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  int error = 0;
  GifFileType* gif = EGifOpen(out, GifWrite, &error);
  GifColorType colours[256];
  for (int k = 0; k < 256; ++k) colours[k] = {static_cast<GifByteType>(k), static_cast<GifByteType>(255 - k), static_cast<GifByteType>(k / 2)};
  ColorMapObject* map = GifMakeMapObject(256, colours);
  EGifPutScreenDesc(gif, width, height, 8, 0, map);
  EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
  std::vector<GifPixelType> line(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) line[static_cast<std::size_t>(x)] = Smooth(x, y, width, height, 0);
    EGifPutLine(gif, line.data(), width);
  }
  const bool ok = EGifCloseFile(gif, &error) == GIF_OK;
  GifFreeMapObject(map);
  return ok && std::fclose(out) == 0;
}

bool MakeInterlacedPng(const std::string& file, int width, int height) {
  return WritePng(file, width, height, 16, PNG_COLOR_TYPE_RGB_ALPHA, true, [&](int y, std::vector<png_byte>& row) {
    for (int x = 0; x < width; ++x)
      for (int k = 0; k < 4; ++k) row[8 * static_cast<std::size_t>(x) + 2 * k] = k == 3 ? 0xFF : Smooth(x, y, width, height, k);
  });
}

void PutBig(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int k = 3; k >= 0; --k) b.push_back(static_cast<std::uint8_t>(v >> 8 * k));
}

// Small files whose headers claim far more than they hold, as a hostile or broken writer makes them.
bool MakeClaim(const std::string& kind, const std::string& file, std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> b;
  if (kind == "png") {  // RGB over 48 MB of zero bytes, which deflate packs into about 48 KB
    b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
      PutBig(b, static_cast<std::uint32_t>(data.size()));
      const std::size_t start = b.size();
      b.insert(b.end(), type, type + 4);
      b.insert(b.end(), data.begin(), data.end());
      PutBig(b, static_cast<std::uint32_t>(crc32(0, b.data() + start, static_cast<uInt>(b.size() - start))));
    };
    std::vector<std::uint8_t> header;
    PutBig(header, width), PutBig(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    chunk("IHDR", header);
    const std::vector<std::uint8_t> zeros(48u << 20, 0);
    std::vector<std::uint8_t> packed(compressBound(zeros.size()));
    uLongf n = packed.size();
    compress2(packed.data(), &n, zeros.data(), zeros.size(), 9);
    packed.resize(n);
    chunk("IDAT", packed);
    chunk("IEND", {});
  } else if (kind == "progressive") {
    const std::string small = file + ".small";
    if (!MakeJpeg(small, 16, 16, true) || !dockline::platform::ReadWholeFile(small, b)) return false;
    dockline::platform::RemoveFile(small);
    for (std::size_t i = 0; i + 8 < b.size(); ++i)
      if (b[i] == 0xFF && b[i + 1] == 0xC2) {
        b[i + 5] = static_cast<std::uint8_t>(height >> 8), b[i + 6] = static_cast<std::uint8_t>(height);
        b[i + 7] = static_cast<std::uint8_t>(width >> 8), b[i + 8] = static_cast<std::uint8_t>(width);
        break;
      }
  } else if (kind == "gif-frame" || kind == "gif-screen") {
    const auto le = [&](std::uint32_t v) { b.push_back(static_cast<std::uint8_t>(v)), b.push_back(static_cast<std::uint8_t>(v >> 8)); };
    b = {'G', 'I', 'F', '8', '9', 'a'};
    le(width), le(height);
    b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x2C, 0, 0, 0, 0});
    le(kind == "gif-frame" ? width : 1), le(kind == "gif-frame" ? height : 1);
    b.insert(b.end(), {0, 2, 20, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x0F, 0xA3, 0x9C, 0xB4, 0xDA, 0x8B, 0xB3, 0xDE, 0xBC, 0xFB,
                       0x0F, 0x86, 0xE2, 0x48, 0x96, 0, 0x3B});
  } else {
    return false;
  }
  return dockline::platform::WriteWholeFile(file, b);
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// A conversion on a thread of its own, asked to stop after `after` ms: how
// long the stop takes to come back, as the program's preview and download wait.
int StopLatency(const std::string& file, int after) {
  std::stop_source stop;
  std::atomic<bool> done{false};
  int code = -1;
  std::chrono::steady_clock::time_point returned;
  std::thread worker([&] {
    dockline::platform::Bytes picture;
    code = dockline::convert::MakeDevicePicture(file, picture, stop.get_token());
    returned = std::chrono::steady_clock::now();
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(after));
  const auto asked = std::chrono::steady_clock::now();
  stop.request_stop();
  worker.join();
  const std::string name = file.substr(file.find_last_of('/') + 1);
  if (!done || code != dockline::convert::kPictureStopped) {
    std::printf("stop    %-12s ended before the stop (code %d); ask sooner\n", name.c_str(), code);
    return 1;
  }
  std::printf("stop    %-12s asked after %d ms, returned %.2f ms later\n", name.c_str(), after, Milliseconds(returned - asked));
  return 0;
}

int Usage() {
  std::fputs("usage: peak_memory make-html FILE MB | make-bmp FILE W H | make-png FILE W H | html FILE | bmp FILE |"
             " picture FILE | copy FILE | make-jpeg FILE W H [progressive] | make-gif FILE W H |"
             " make-interlaced-png FILE W H | make-claim KIND FILE W H | hostile FILE | stop FILE MS\n", stderr);
  return 2;
}

}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

int main(int argc, char** argv) {
  using namespace dockline;
  if (argc < 3) return Usage();
  const std::string mode = argv[1];
  const std::string file = argv[2];
  if (mode == "make-html" && argc == 4) {
    const std::string page = bench::MakePage(static_cast<std::size_t>(std::atof(argv[3]) * 1e6));
    return platform::WriteWholeFile(file, page.data(), page.size()) ? 0 : 1;
  }
  if (mode == "make-bmp" && argc == 5) {
    const auto bmp = bench::MakeBitmap(std::atoi(argv[3]), std::atoi(argv[4]));
    return platform::WriteWholeFile(file, bmp) ? 0 : 1;
  }
  if (mode == "make-png" && argc == 5) return MakePng(file, std::atoi(argv[3]), std::atoi(argv[4])) ? 0 : 1;
  if (mode == "make-jpeg" && (argc == 5 || argc == 6))
    return MakeJpeg(file, std::atoi(argv[3]), std::atoi(argv[4]), argc == 6) ? 0 : 1;
  if (mode == "make-gif" && argc == 5) return MakeGif(file, std::atoi(argv[3]), std::atoi(argv[4])) ? 0 : 1;
  if (mode == "make-interlaced-png" && argc == 5) return MakeInterlacedPng(file, std::atoi(argv[3]), std::atoi(argv[4])) ? 0 : 1;
  if (mode == "make-claim" && argc == 6)
    return MakeClaim(file, argv[3], static_cast<std::uint32_t>(std::atoll(argv[4])), static_cast<std::uint32_t>(std::atoll(argv[5]))) ? 0 : 1;
  if (mode == "stop" && argc == 4) return StopLatency(file, std::atoi(argv[3]));
  if ((mode != "html" && mode != "bmp" && mode != "picture" && mode != "copy" && mode != "hostile") || argc != 3)
    return Usage();

  const auto size = platform::FileSize(file);
  if (!size || *size == 0) return Usage();
  const std::string folder = platform::TempFolder();
  Silent notifier;

  const std::size_t heapBefore = gLive.load();
  gPeak.store(heapBefore);
  const long rssBefore = MaxRssKiB();
  bool ok = false;
  std::string made;
  const auto start = std::chrono::steady_clock::now();
  const double cpuBefore = CpuMs();
  int code = 0;
  if (mode == "html") {
    convert::HtmlToText converter(notifier, folder);
    std::string source = file;
    std::string device = folder + "dockline-peak-device.html";
    ok = converter.Convert(source, device, "dockline-peak.html");
    made = source;
  } else if (mode == "picture" || mode == "hostile") {
    made = folder + "dockline-peak.ych";
    code = convert::ConvertPictureFile(file, made);
    if (code != convert::kPictureOk && mode == "picture") notifier.ShowMessage(convert::PictureFileErrorText(code, file));
    ok = code == convert::kPictureOk || mode == "hostile";
  } else if (mode == "copy") {
    ok = DownloadOnce(file, made);
  } else {
    made = folder + "dockline-peak.ych";
    ok = convert::ConvertBitmap(file, made, notifier);
  }
  const double ms = Milliseconds(std::chrono::steady_clock::now() - start);
  const long rssAfter = MaxRssKiB();
  const double heap = static_cast<double>(gPeak.load() - heapBefore);
  const double rss = (rssAfter - rssBefore) * 1024.0;
  if (!made.empty() && made != file) platform::RemoveFile(made);
  if (!ok) return 1;
  if (mode == "hostile") {
    std::printf("%9.0f bytes  code %2d  %7.1f ms (processor %7.1f ms)  heap peak %9.0f  resident growth %10.0f bytes\n",
                static_cast<double>(*size), code, ms, CpuMs() - cpuBefore, heap, rss);
    return 0;
  }
  std::printf("%-7s input %10.0f bytes  heap peak %10.0f bytes (%.2fx)  resident growth %10.0f bytes (%.2fx)\n",
              mode.c_str(), static_cast<double>(*size), heap, heap / *size, rss, rss / *size);
  return 0;
}
