// The ZIP reader on arbitrary bytes: the directory is read or refused, and
// every entry either reads to its declared size with its CRC or is refused;
// never a read outside the input, never a hang.
#include <cstdint>
#include <cstdlib>

#include "convert/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dockline::convert;
  MemoryZipInput input(std::span(data, size));
  try {
    const ZipArchive zip(input);
    std::size_t opened = 0;
    for (const ZipEntry& entry : zip.Entries()) {
      if (++opened > 64) break;
      if (zip.Find(entry.name) == nullptr) std::abort();  // every name is found again
      try {
        std::uint64_t budget = 64u << 20;
        const auto source = zip.Open(entry, {}, &budget);
        std::uint8_t buffer[4096];
        std::uint64_t total = 0;
        while (const std::size_t n = source->Read(buffer, sizeof buffer)) total += n;
        // Reaching the end means the declared size and CRC held.
        if (total != entry.size) std::abort();
      } catch (const BookFailure&) {
      }
    }
  } catch (const BookFailure&) {
  }
  return 0;
}
