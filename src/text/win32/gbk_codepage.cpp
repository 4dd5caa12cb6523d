// GBK through code page 936, which every Windows (and Wine) carries whatever
// the system locale, unlike the "A" functions that follow the locale.
#include <windows.h>

#include "text/encoding.h"

namespace dockline::text {
namespace {
constexpr UINT kGbk = 936;
}

std::string Utf8ToGbk(std::string_view utf8, bool* lossless) {
  std::u16string wide = Utf8ToUtf16(utf8);
  // Code page 936 has nothing beyond the BMP; one '?' per character, not per
  // surrogate, the same as the POSIX build gives.
  bool astral = false;
  std::size_t kept = 0;  // pairs shrink to one '?' in place
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (i + 1 < wide.size() && wide[i] >= 0xD800 && wide[i] <= 0xDBFF && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      wide[kept++] = u'?';
      ++i;
      astral = true;
    } else {
      wide[kept++] = wide[i];
    }
  }
  wide.resize(kept);
  if (wide.empty()) {
    if (lossless) *lossless = true;
    return {};
  }
  const auto* w = reinterpret_cast<const wchar_t*>(wide.data());
  BOOL usedDefault = FALSE;
  // No best fit: "²" must not quietly become "2" in a name on the device,
  // and the POSIX build writes "?" there too.
  const int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, w, static_cast<int>(wide.size()), nullptr, 0, "?", &usedDefault);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, w, static_cast<int>(wide.size()), out.data(), n, "?", &usedDefault);
  if (lossless) *lossless = n > 0 && !usedDefault && !astral && utf8.find("\xEF\xBF\xBD") == std::string_view::npos;
  return out;
}

std::string GbkToUtf8(std::string_view gbk, bool* lossless) {
  if (gbk.empty()) {
    if (lossless) *lossless = true;
    return {};
  }
  int n = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  const bool clean = n > 0;
  const DWORD flags = clean ? MB_ERR_INVALID_CHARS : 0;
  if (!clean) n = MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::u16string wide(static_cast<std::size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0)
    MultiByteToWideChar(kGbk, flags, gbk.data(), static_cast<int>(gbk.size()), reinterpret_cast<wchar_t*>(wide.data()), n);
  if (lossless) *lossless = clean;
  return Utf16ToUtf8(wide);
}

}  // namespace dockline::text
