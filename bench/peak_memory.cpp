// Peak memory of one conversion, relative to the size of its input file.
//
//   peak_memory make-html FILE MEGABYTES   write a page to convert
//   peak_memory make-bmp FILE WIDTH HEIGHT write a 24-bit bitmap
//   peak_memory make-png FILE WIDTH HEIGHT write a photograph-like PNG, row by row
//   peak_memory picture FILE               convert any picture, report
//   peak_memory html FILE                  convert a page, report
//   peak_memory bmp FILE                   convert a bitmap, report
//   peak_memory copy FILE                  download a file to a device folder, report
//
// The inputs are made by a separate run so that the measuring process holds
// nothing but the conversion. Two figures: the peak of live heap bytes
// (counted by the allocation functions below) and the growth of the
// resident set's high-water mark (getrusage).
#include <png.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

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
  std::optional<dockline::download::OverwriteChoice> AskOverwrite(const std::string&) override {
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

// Written row by row, so that even the largest picture costs this program one row.
bool MakePng(const std::string& file, int width, int height) {
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
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(3 * static_cast<std::size_t>(width));
  std::uint32_t noise = 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int n = static_cast<int>(noise >> 27);
      row[3 * x] = static_cast<png_byte>((x * 255 / width + n) & 0xFF);
      row[3 * x + 1] = static_cast<png_byte>((y * 255 / height + n) & 0xFF);
      row[3 * x + 2] = static_cast<png_byte>(((x + y) * 127 / (width + height) + n) & 0xFF);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(out) == 0;
}

int Usage() {
  std::fputs("usage: peak_memory make-html FILE MB | make-bmp FILE W H | make-png FILE W H | html FILE | bmp FILE |"
             " picture FILE | copy FILE\n", stderr);
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
  if ((mode != "html" && mode != "bmp" && mode != "picture" && mode != "copy") || argc != 3) return Usage();

  const auto size = platform::FileSize(file);
  if (!size || *size == 0) return Usage();
  const std::string folder = platform::TempFolder();
  Silent notifier;

  const std::size_t heapBefore = gLive.load();
  gPeak.store(heapBefore);
  const long rssBefore = MaxRssKiB();
  bool ok = false;
  std::string made;
  if (mode == "html") {
    convert::HtmlToText converter(notifier, folder);
    std::string source = file;
    std::string device = folder + "dockline-peak-device.html";
    ok = converter.Convert(source, device, "dockline-peak.html");
    made = source;
  } else if (mode == "picture") {
    made = folder + "dockline-peak.ych";
    const int code = convert::ConvertPictureFile(file, made);
    if (code != convert::kPictureOk) notifier.ShowMessage(convert::PictureFileErrorText(code, file));
    ok = code == convert::kPictureOk;
  } else if (mode == "copy") {
    ok = DownloadOnce(file, made);
  } else {
    made = folder + "dockline-peak.ych";
    ok = convert::ConvertBitmap(file, made, notifier);
  }
  const long rssAfter = MaxRssKiB();
  const double heap = static_cast<double>(gPeak.load() - heapBefore);
  const double rss = (rssAfter - rssBefore) * 1024.0;
  if (!made.empty() && made != file) platform::RemoveFile(made);
  if (!ok) return 1;
  std::printf("%-7s input %10.0f bytes  heap peak %10.0f bytes (%.2fx)  resident growth %10.0f bytes (%.2fx)\n",
              mode.c_str(), static_cast<double>(*size), heap, heap / *size, rss, rss / *size);
  return 0;
}
