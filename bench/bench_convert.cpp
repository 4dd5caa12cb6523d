// Throughput of the page conversion, of the picture conversions and of the
// book text conversion.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "convert/book_text.h"
#include "convert/device_picture.h"
#include "convert/html_to_text.h"
#include "convert/picture_file.h"
#include "inputs.h"
#include "platform/file_system.h"
#include "text/gbk_table.h"

namespace {

using namespace dockline;

constexpr std::size_t kPageBytes = 10 * 1000 * 1000;

void HtmlScan(benchmark::State& state) {
  const std::string page = bench::MakePage(kPageBytes);
  std::vector<std::uint8_t> out(page.size());
  std::size_t written = 0;
  for (auto _ : state) {
    written = convert::ScanHtml(reinterpret_cast<const std::uint8_t*>(page.data()), page.size(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
  state.counters["text_ratio"] = static_cast<double>(written) / page.size();
}
BENCHMARK(HtmlScan)->Unit(benchmark::kMillisecond);

// As the converter runs it: over the page it has just read.
void HtmlScanInPlace(benchmark::State& state) {
  const std::string page = bench::MakePage(kPageBytes);
  std::string buffer;
  for (auto _ : state) {
    state.PauseTiming();
    buffer = page;
    state.ResumeTiming();
    auto* p = reinterpret_cast<std::uint8_t*>(buffer.data());
    benchmark::DoNotOptimize(convert::ScanHtml(p, buffer.size(), p));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(HtmlScanInPlace)->Unit(benchmark::kMillisecond);

// The whole in-place conversion the program runs, for the page in GBK and
// the same page in UTF-8 (turned into GBK first); MB/s of the page as read.
void HtmlPageToText(benchmark::State& state, bool utf8) {
  const std::string page = utf8 ? bench::MakeUtf8Page(kPageBytes) : bench::MakePage(kPageBytes);
  text::UnicodeToGbkTable();  // built once per process, not once per page
  std::string buffer;
  std::size_t written = 0;
  for (auto _ : state) {
    state.PauseTiming();
    buffer = page;
    state.ResumeTiming();
    written = convert::PageToText(reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size());
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
  state.counters["text_ratio"] = static_cast<double>(written) / page.size();
}
BENCHMARK_CAPTURE(HtmlPageToText, gbk, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(HtmlPageToText, utf8, true)->Unit(benchmark::kMillisecond);

void Picture(benchmark::State& state) {
  const auto bitmap = bench::MakeBitmap(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::vector<std::uint8_t> picture;
  for (auto _ : state) {
    if (convert::BitmapToPicture(bitmap, picture) != convert::kPictureOk) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(picture.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(Picture)->Args({320, 240})->Args({2048, 1536})->Unit(benchmark::kMicrosecond);

// The whole file-to-file conversion, reading included, writing to the temporary folder.
void PictureFile(benchmark::State& state) {
  const auto bitmap = bench::MakeBitmap(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::string folder = platform::TempFolder();
  const std::string src = folder + "dockline-bench.bmp";
  const std::string dst = folder + "dockline-bench.ych";
  if (!platform::WriteWholeFile(src, bitmap)) {
    state.SkipWithError("cannot write the bitmap");
    return;
  }
  for (auto _ : state)
    if (convert::ConvertBitmapFile(src, dst) != convert::kPictureOk) state.SkipWithError("conversion failed");
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  platform::RemoveFile(src);
  platform::RemoveFile(dst);
}
BENCHMARK(PictureFile)->Args({320, 240})->Args({2048, 1536})->Unit(benchmark::kMicrosecond);

// A camera's photograph, whole, to the device's picture: decoding, fitting,
// dithering; in memory (the file is read from the page cache). The photo is
// made by tools/run-benchmarks and named in DOCKLINE_BENCH_PHOTO.
void PhotoToPicture(benchmark::State& state) {
  const char* photo = std::getenv("DOCKLINE_BENCH_PHOTO");
  if (!photo) {
    state.SkipWithError("DOCKLINE_BENCH_PHOTO names no photo");
    return;
  }
  platform::Bytes picture;
  for (auto _ : state) {
    if (convert::MakeDevicePicture(photo, picture) != convert::kPictureOk) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(picture.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(PhotoToPicture)->Unit(benchmark::kMillisecond);

// A book in UTF-8 to GBK as the download makes it: the encoding test over
// the whole text, then the conversion in place; MB/s of the UTF-8 text.
void BookTextToGbk(benchmark::State& state) {
  const std::string book = text::GbkToUtf8(bench::MakeBook(10 * 1000 * 1000));
  text::UnicodeToGbkTable();
  std::string buffer;
  for (auto _ : state) {
    state.PauseTiming();
    buffer = book;
    state.ResumeTiming();
    auto* p = reinterpret_cast<std::uint8_t*>(buffer.data());
    const auto sniff = convert::SniffBookText({p, buffer.size()});
    benchmark::DoNotOptimize(convert::PageToGbk(p, buffer.size(), sniff, p));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * book.size()));
}
BENCHMARK(BookTextToGbk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
