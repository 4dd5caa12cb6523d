#pragma once
// Text inside the program is UTF-8. UTF-16 appears only at the Win32 W-API
// boundary, GBK (code page 936) only where bytes cross in that encoding:
// dict.ini, the text files made for the device, web pages, name ordering.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dockline::text {

// The code point at s[i], moving i past it. An ill-formed sequence answers
// U+FFFD and moves past its maximal subpart, at least one byte, so that a
// truncated sequence costs exactly one replacement character.
char32_t DecodeUtf8(std::string_view s, std::size_t& i);

// The UTF-8 bytes of one code point (at most U+10FFFF), appended.
void AppendUtf8(std::string& out, char32_t cp);

// Ill-formed UTF-8 becomes U+FFFD, one per maximal bad subsequence.
std::u16string Utf8ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// GBK (code page 936) conversions. Characters GBK cannot hold become '?';
// `lossless`, when given, tells whether every character made it across.
std::string Utf8ToGbk(std::string_view utf8, bool* lossless = nullptr);
// Undecodable bytes become U+FFFD.
std::string GbkToUtf8(std::string_view gbk, bool* lossless = nullptr);

// A GBK byte of 0x81 or above starts a two-byte character.
constexpr bool IsGbkLeadByte(unsigned char b) { return b >= 0x81; }

// The longest prefix of `gbk` of at most `maxBytes` bytes that does not cut a
// two-byte character in half.
std::size_t GbkPrefixLength(std::string_view gbk, std::size_t maxBytes);

// Orders two UTF-8 names by their GBK bytes (unsigned), the order in which
// the device and its users expect Chinese names to be listed. <0, 0, >0.
int CompareByGbk(std::string_view utf8a, std::string_view utf8b);

// ASCII-only case folding; GBK trail bytes can look like ASCII letters, so
// callers that work on GBK bytes must skip pairs themselves.
constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool EndsWithIgnoreAsciiCase(std::string_view s, std::string_view suffix);

}  // namespace dockline::text
