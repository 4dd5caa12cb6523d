#pragma once
// The one pair of conversions used at every W-API call.
#include <string>
#include <string_view>

#include "text/encoding.h"

namespace dockline::platform {

inline std::wstring Wide(std::string_view utf8) {
  const std::u16string s = text::Utf8ToUtf16(utf8);
  return std::wstring(s.begin(), s.end());
}

inline std::string Narrow(std::wstring_view wide) {
  return text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

}  // namespace dockline::platform
