#pragma once
// HTML's named character references, which XHTML books use freely (&nbsp;,
// &mdash;, &eacute; …) although XML itself defines only five.

#include <cstddef>
#include <string_view>

namespace dockline::convert {

struct NamedCharacter {
  char32_t first = 0;
  char32_t second = 0;  // a few names stand for two code points; else 0
};

// The characters of `name` (without '&' and ';'), case-sensitive as HTML
// is; first == 0 for a name HTML does not define. XML's own five (amp, lt,
// gt, quot, apos) are not in the table: a parser takes those itself.
NamedCharacter LookUpNamedCharacter(std::string_view name);

// The longest name in the table, so a scanner knows how far to look.
inline constexpr std::size_t kLongestCharacterName = 32;

}  // namespace dockline::convert
