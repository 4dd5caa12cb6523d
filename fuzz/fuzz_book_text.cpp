// The book text test and its turn into GBK on arbitrary bytes: never longer
// than the input, the same in place as copied, and GBK input left alone.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "convert/book_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dockline::convert;
  if (size == 0) return 0;
  const std::vector<std::uint8_t> in(data, data + size);
  const PageSniff sniff = SniffBookText(in);
  std::vector<std::uint8_t> copied(size), inPlace(in);
  std::size_t replaced = 0;
  const std::size_t n = PageToGbk(in.data(), size, sniff, copied.data(), &replaced);
  const std::size_t m = PageToGbk(inPlace.data(), size, sniff, inPlace.data());
  if (n > size || n != m || std::memcmp(copied.data(), inPlace.data(), n) != 0 || replaced > n) std::abort();
  if (sniff.encoding == PageEncoding::Gbk && (n != size || std::memcmp(copied.data(), data, size) != 0)) std::abort();
  return 0;
}
