#include <chrono>
#include <cstdlib>

#include "cli/commands.h"
#include "device/device_locator.h"

namespace dockline::cli {
namespace {

int Detect(const Args& args) {
  // "--repeat N" times N lookups, for measuring what one poll of the monitor costs.
  long repeat = 0;
  if (args.size() == 2 && args[0] == "--repeat") repeat = std::strtol(args[1].c_str(), nullptr, 10);
  if ((!args.empty() && repeat <= 0) || args.size() > 2) {
    Err("usage: dockline-cli detect [--repeat N]\n");
    return 2;
  }
  if (repeat > 0) {
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < repeat; ++i) device::FindDeviceDrive();
    const auto us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    Err("FindDeviceDrive: " + std::to_string(us / static_cast<double>(repeat)) + " us per call over " +
        std::to_string(repeat) + " calls\n");
  }
  const char letter = device::FindDeviceDrive();
  if (letter == 0) return 1;
  Out(std::string(1, letter) + "\n");
  return 0;
}

const Registrar kDetect({"detect", "detect [--repeat N]    print the device's drive letter (exit 1: none)", Detect});

}  // namespace
}  // namespace dockline::cli
