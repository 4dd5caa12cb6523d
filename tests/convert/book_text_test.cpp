#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/book_text.h"
#include "test_support.h"
#include "text/encoding.h"

namespace dockline::convert {
namespace {

using namespace std::string_literals;
using namespace testutil;

std::span<const std::uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(BookText, AMarkOrUtf8ButForAFewStrayBytesCountsAsUnicode) {
  const std::vector<std::pair<std::string, PageEncoding>> cases = {
      {"\xEF\xBB\xBFplain", PageEncoding::Utf8},
      {"\xFF\xFE" "a\0"s, PageEncoding::Utf16Le},
      {"\xFE\xFF\0a"s, PageEncoding::Utf16Be},
      {"[00:01]\xE6\xAD\x8C\xE8\xAF\x8D\r\n", PageEncoding::Utf8},  // 歌词
      {"\xF0\x9F\x98\x80", PageEncoding::Utf8},                     // four bytes
      {"plain ASCII, nothing to change", PageEncoding::Gbk},
      {text::Utf8ToGbk("[00:01]歌词，第一章"), PageEncoding::Gbk},
      {"\xC0\xAF", PageEncoding::Gbk},          // overlong
      {"\xED\xA0\x80", PageEncoding::Gbk},      // a surrogate
      {"\xF4\x90\x80\x80", PageEncoding::Gbk},  // above U+10FFFF
      {"ok \xE6\xAD", PageEncoding::Gbk},       // cut at the end
      {"\xE6\xAD\x8C and then \x80", PageEncoding::Gbk},
  };
  for (const auto& [bytes, encoding] : cases) EXPECT_EQ(SniffBookText(AsBytes(bytes)).encoding, encoding) << bytes;
  // Cut at the end, however the bytes after the end would continue it.
  EXPECT_EQ(SniffBookText(AsBytes("ok \xE6\xAD\x8C").first(5)).encoding, PageEncoding::Gbk);

  // A book of 2000 characters takes two stray bytes, not three; GBK stays
  // GBK however long a run of it reads as UTF-8 ("涓枃" is 中文 in UTF-8).
  std::string book;
  for (int k = 0; k < 1000; ++k) book += "第一";
  const std::string latin1 = "caf\xE9";
  EXPECT_EQ(SniffBookText(AsBytes(latin1 + book + latin1)).encoding, PageEncoding::Utf8);
  EXPECT_EQ(SniffBookText(AsBytes(latin1 + book + latin1 + latin1)).encoding, PageEncoding::Gbk);
  std::string gbk = text::Utf8ToGbk("涓枃涓枃");
  for (int k = 0; k < 200; ++k) gbk += text::Utf8ToGbk("第一章，春天来了。");
  EXPECT_EQ(SniffBookText(AsBytes(gbk)).encoding, PageEncoding::Gbk);
}

class BookTexts : public ScratchTest {};

TEST_F(BookTexts, UnicodeBecomesGbkWithMissingCharactersCountedAndGbkIsLeftAlone) {
  Write(Path("u8.txt"), "\xEF\xBB\xBF第一章 Ж☃😀\r\n");  // Ж is in GBK; the snowman and the face are not
  Write(Path("gbk.txt"), text::Utf8ToGbk("第一章"));
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : text::Utf8ToUtf16("歌词😀")) utf16 += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  Write(Path("u16.lrc"), utf16);

  const auto u8 = ConvertBookText(Path("u8.txt"), Path("u8-gbk.txt"));
  EXPECT_EQ(u8.status, BookTextResult::Converted);
  EXPECT_EQ(u8.replaced, 2u);
  EXPECT_EQ(Read(Path("u8-gbk.txt")), text::Utf8ToGbk("第一章 Ж??\r\n"));
  const auto u16 = ConvertBookText(Path("u16.lrc"), Path("u16-gbk.lrc"));
  EXPECT_EQ(u16.replaced, 1u);
  EXPECT_EQ(Read(Path("u16-gbk.lrc")), text::Utf8ToGbk("歌词?"));
  // A lone surrogate and half a code unit at the end: each one '?', each counted.
  Write(Path("u16-bad.lrc"), "\xFF\xFE" "a\0\x00\xD8" "b\0" "c"s);
  EXPECT_EQ(ConvertBookText(Path("u16-bad.lrc"), Path("u16-bad-gbk.lrc")).replaced, 2u);
  EXPECT_EQ(Read(Path("u16-bad-gbk.lrc")), "a?b?");

  // A long UTF-8 book that caught one Latin-1 letter stays readable, the letter lost and counted.
  std::string book = "\xE7\xAC\xAC";  // 第
  for (int k = 0; k < 3000; ++k) book += "\xE4\xB8\x80";  // 一
  Write(Path("almost.txt"), book + "caf\xE9 " + book);
  const auto almost = ConvertBookText(Path("almost.txt"), Path("almost-gbk.txt"));
  EXPECT_EQ(almost.status, BookTextResult::Converted);
  EXPECT_EQ(almost.replaced, 1u);
  EXPECT_EQ(Read(Path("almost-gbk.txt")), text::Utf8ToGbk(book + "caf? " + book));

  EXPECT_EQ(ConvertBookText(Path("gbk.txt"), Path("made.txt")).status, BookTextResult::Unchanged);
  EXPECT_FALSE(platform::FileExists(Path("made.txt")));
  EXPECT_EQ(ConvertBookText(Path("无.txt"), Path("made.txt")).status, BookTextResult::Unreadable);
  EXPECT_EQ(ConvertBookText(Path("u8.txt"), Path("无/made.txt")).status, BookTextResult::NotWritten);
}

}  // namespace
}  // namespace dockline::convert
