// The page conversion on arbitrary bytes: it must stay inside the page, never
// grow it, turn every NUL into a blank, and give the same text in place as
// into a separate buffer.
//
// A first byte below 6 puts a byte-order mark or a declaration in front of
// the rest, so that the way through UTF-8 and UTF-16 is explored as well as
// the plain scan of GBK bytes; any other first byte leaves the page as it is.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "convert/html_to_text.h"
#include "convert/page_encoding.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}

constexpr std::string_view kPrefixes[] = {
    "\xEF\xBB\xBF",
    "\xFF\xFE",
    "\xFE\xFF",
    "<meta charset=\"utf-8\">",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string page(reinterpret_cast<const char*>(data), size);
  if (size > 0 && data[0] < std::size(kPrefixes)) page = std::string(kPrefixes[data[0]]) + page.substr(1);

  const std::string text = dockline::convert::HtmlBytesToText(page);
  Check(text.size() <= page.size());
  Check(text.find('\0') == std::string::npos);

  std::string buffer = page;
  auto* p = reinterpret_cast<std::uint8_t*>(buffer.data());
  buffer.resize(dockline::convert::PageToText(p, buffer.size()));
  Check(buffer == text);

  // A page taken as GBK is the plain scan of its bytes, as it always was.
  if (dockline::convert::SniffPageEncoding(page).encoding == dockline::convert::PageEncoding::Gbk) {
    std::string raw = page;
    auto* r = reinterpret_cast<std::uint8_t*>(raw.data());
    raw.resize(dockline::convert::ScanHtml(r, raw.size(), r));
    Check(raw == text);
  }
  return 0;
}
