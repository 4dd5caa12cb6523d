// One book converted to device text, for book_bench.sh, which measures the
// process from outside (time, peak resident memory) beside pandoc's.
//   book_convert BOOK TEXT
//   book_convert --stop-after MS BOOK TEXT   how long a stop takes to end it
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "convert/book_file.h"

int main(int argc, char** argv) {
  using namespace dockline::convert;
  using Clock = std::chrono::steady_clock;
  int stopAfter = -1;
  if (argc == 5 && std::strcmp(argv[1], "--stop-after") == 0) {
    stopAfter = std::atoi(argv[2]);
    argv += 2;
    argc -= 2;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: book_convert [--stop-after MS] BOOK TEXT\n");
    return 2;
  }
  BookFileResult result;
  std::stop_source stop;
  Clock::time_point ended;
  std::thread conversion([&] {
    result = ConvertBookFile(argv[1], argv[2], stop.get_token());
    ended = Clock::now();
  });
  if (stopAfter >= 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(stopAfter));
    const Clock::time_point asked = Clock::now();
    stop.request_stop();
    conversion.join();
    const auto ms = std::chrono::duration<double, std::milli>(ended - asked).count();
    std::printf("stop asked after %d ms: %s %.1f ms later\n", stopAfter,
                result.status == BookFileResult::Stopped ? "stopped" : "had already ended", ms < 0 ? 0.0 : ms);
    return 0;
  }
  conversion.join();
  if (result.status != BookFileResult::Converted) {
    std::fprintf(stderr, "%s\n", BookFileErrorText(result, argv[1]).c_str());
    return 1;
  }
  std::printf("%zu characters made '?'\n", result.replaced);
  return 0;
}
