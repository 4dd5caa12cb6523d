// The page scan on arbitrary bytes: it must stay inside the page, never grow
// it, turn every NUL into a blank, and give the same text in place as into a
// separate buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "convert/html_to_text.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = dockline::convert::HtmlBytesToText(std::string_view(reinterpret_cast<const char*>(data), size));
  Check(text.size() <= size);
  Check(text.find('\0') == std::string::npos);

  std::string buffer(reinterpret_cast<const char*>(data), size);
  auto* p = reinterpret_cast<std::uint8_t*>(buffer.data());
  buffer.resize(dockline::convert::ScanHtml(p, buffer.size(), p));
  Check(buffer == text);
  return 0;
}
