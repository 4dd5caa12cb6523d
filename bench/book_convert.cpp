// One book converted to device text, for book_bench.sh, which measures the
// process from outside (time, peak resident memory) beside pandoc's.
//   book_convert BOOK TEXT
#include <cstdio>

#include "convert/book_file.h"

int main(int argc, char** argv) {
  using namespace dockline::convert;
  if (argc != 3) {
    std::fprintf(stderr, "usage: book_convert BOOK TEXT\n");
    return 2;
  }
  const BookFileResult result = ConvertBookFile(argv[1], argv[2]);
  if (result.status != BookFileResult::Converted) {
    std::fprintf(stderr, "%s\n", BookFileErrorText(result, argv[1]).c_str());
    return 1;
  }
  std::printf("%zu characters made '?'\n", result.replaced);
  return 0;
}
