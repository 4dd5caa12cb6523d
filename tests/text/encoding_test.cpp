#include <gtest/gtest.h>

#include "text/encoding.h"

namespace dockline::text {
namespace {

TEST(Utf, RoundTripsAcrossPlanesAndRepairsBrokenInput) {
  const std::string s = "数 码MP3 \xF0\x9F\x98\x80 end";  // CJK, ASCII, an astral emoji
  const std::u16string w = Utf8ToUtf16(s);
  EXPECT_EQ(w[0], u'数');
  EXPECT_EQ(Utf16ToUtf8(w), s);
  // A truncated three-byte sequence costs one replacement, the rest survives.
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("a\xE6\x95" "b")), "a\xEF\xBF\xBD" "b");
  // Overlong forms (here of '/'), surrogates and code points past U+10FFFF are not let through.
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80"), std::u16string(12, u'\uFFFD'));
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Gbk, EncodesTheDeviceTextsAndBack) {
  // The bytes the device expects for its label and a category folder.
  EXPECT_EQ(Utf8ToGbk("曜川6170"), "\xEA\xD7\xB4\xA8" "6170");
  EXPECT_EQ(Utf8ToGbk("系统"), "\xCF\xB5\xCD\xB3");
  bool ok = false;
  EXPECT_EQ(GbkToUtf8("\xB5\xE7\xD7\xD3\xCD\xBC\xCA\xE9", &ok), "电子图书");
  EXPECT_TRUE(ok);
  // A character GBK lacks is reported, not silently dropped.
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80" "b", &ok), "a?b");
  EXPECT_FALSE(ok);
  // No look-alike either: a name with "²" keeps its "?" on every platform.
  EXPECT_EQ(Utf8ToGbk("x²", &ok), "x?");
  EXPECT_FALSE(ok);
  GbkToUtf8("\xB5", &ok);  // a lead byte cut off at the end
  EXPECT_FALSE(ok);
}

TEST(Gbk, PrefixNeverSplitsATwoByteCharacter) {
  const std::string g = "a\xB5\xE7" "b";
  EXPECT_EQ(GbkPrefixLength(g, 0), 0u);
  EXPECT_EQ(GbkPrefixLength(g, 1), 1u);
  EXPECT_EQ(GbkPrefixLength(g, 2), 1u);
  EXPECT_EQ(GbkPrefixLength(g, 3), 3u);
  EXPECT_EQ(GbkPrefixLength(g, 99), 4u);
  EXPECT_EQ(GbkPrefixLength("\xB5", 5), 1u);  // a dangling lead byte counts alone
}

TEST(Gbk, OrdersNamesByTheirGbkBytes) {
  // 啊 (B0A1) sorts before 吧 (B0C9) in GBK, although their Unicode order is reversed.
  EXPECT_LT(CompareByGbk("啊", "吧"), 0);
  EXPECT_GT(CompareByGbk("吧", "啊"), 0);
  EXPECT_LT(CompareByGbk("Z", "啊"), 0);  // ASCII before every two-byte character
  EXPECT_EQ(CompareByGbk("同名", "同名"), 0);
}

TEST(Ascii, CaseFoldsTheLettersAndNothingNextToThem) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase("AZ.MP3", "az.mp3"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("@", "`") || EqualsIgnoreAsciiCase("[", "{"));
  EXPECT_TRUE(EndsWithIgnoreAsciiCase("歌.LRC", ".lrc"));
}

}  // namespace
}  // namespace dockline::text
