// GBK through glibc's iconv. "CP936" is the name that also carries 0x80 (the
// euro sign) the way Windows code page 936 does.
#include <errno.h>
#include <iconv.h>

#include <mutex>

#include "text/encoding.h"

namespace dockline::text {
namespace {

std::string Convert(const char* to, const char* from, std::string_view in, bool* lossless,
                    std::string_view replacement, std::size_t badInputStep) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (lossless) *lossless = in.empty();
    return {};
  }
  std::string out;
  out.resize(in.size() * 2 + 16);
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  std::size_t used = 0;
  bool clean = true;
  while (inLeft > 0) {
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    used = out.size() - outLeft;
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL: replace one unit of input and go on.
    clean = false;
    std::size_t skip = badInputStep;
    if (badInputStep == 0) {  // UTF-8 input: skip one whole (possibly broken) sequence
      const auto b = static_cast<unsigned char>(*inPtr);
      skip = b < 0xC0 ? 1 : (b < 0xE0 ? 2 : (b < 0xF0 ? 3 : 4));
      for (std::size_t k = 1; k < skip && k < inLeft; ++k)
        if ((static_cast<unsigned char>(inPtr[k]) & 0xC0) != 0x80) { skip = k; break; }
    } else if (static_cast<unsigned char>(*inPtr) < 0x81 || inLeft < 2) {
      skip = 1;
    }
    if (skip > inLeft) skip = inLeft;
    inPtr += skip;
    inLeft -= skip;
    if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
    out.replace(used, replacement.size(), replacement);
    used += replacement.size();
  }
  iconv_close(cd);
  out.resize(used);
  if (lossless) *lossless = clean;
  return out;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8, bool* lossless) {
  return Convert("CP936", "UTF-8", utf8, lossless, "?", 0);
}

std::string GbkToUtf8(std::string_view gbk, bool* lossless) {
  return Convert("UTF-8", "CP936", gbk, lossless, "\xEF\xBF\xBD", 2);
}

}  // namespace dockline::text
