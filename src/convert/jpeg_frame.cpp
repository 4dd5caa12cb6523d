#include "convert/jpeg_frame.h"

#include <algorithm>

namespace dockline::convert {

std::uint64_t WholeCoefficientBytes(std::uint32_t width, std::uint32_t height, std::span<const JpegSampling> components) {
  int maxH = 1, maxV = 1;
  for (const JpegSampling& c : components) {
    maxH = std::max(maxH, c.horizontal);
    maxV = std::max(maxV, c.vertical);
  }
  const auto ceilDiv = [](std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; };
  const auto roundUp = [&](std::uint64_t a, std::uint64_t b) { return ceilDiv(a, b) * b; };
  std::uint64_t bytes = 0;
  for (const JpegSampling& c : components) {
    const std::uint64_t h = static_cast<std::uint64_t>(std::max(1, c.horizontal));
    const std::uint64_t v = static_cast<std::uint64_t>(std::max(1, c.vertical));
    const std::uint64_t across = roundUp(ceilDiv(std::uint64_t{width} * h, 8 * static_cast<std::uint64_t>(maxH)), h);
    const std::uint64_t down = roundUp(ceilDiv(std::uint64_t{height} * v, 8 * static_cast<std::uint64_t>(maxV)), v);
    bytes += across * down * 64 * 2;
  }
  return bytes;
}

}  // namespace dockline::convert
