#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "download/ini_file.h"
#include "text/encoding.h"

namespace dockline::download {
namespace {

std::string G(std::string_view utf8) { return text::Utf8ToGbk(utf8); }

template <std::size_t N>
std::string Literal(const char (&s)[N]) {  // keeps embedded NUL bytes
  return std::string(s, N - 1);
}

std::string Utf16(std::u16string_view s, bool littleEndian) {
  std::string out;
  for (const char16_t u : s) {
    const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    out += littleEndian ? std::string{lo, hi} : std::string{hi, lo};
  }
  return out;
}

TEST(IniFile, SerializingGivesBackEveryByteRead) {
  for (const std::string& f : {std::string(), std::string("no end"), G("; 注\n[D]\r\nk=C:\\a\n\n[x]\r\nk=v"),
                               Literal("bad\xFF\x81\nlone \xB5\r\nnul\0in\r\r\n\n"),
                               Literal("\xFF\xFE[\0a\0]\0\r\0\n\0"), Literal("\xFF\xFE[\0a\0]\0odd")})
    EXPECT_EQ(IniFile::Parse(f).Serialize(), f);
}

TEST(IniFile, ReadsByTheProfileRules) {
  const IniFile f = IniFile::Parse(G(
      "stray=before any section\r\n"
      "[ downpath ]\r\n"
      "  数 码mp3  =  C:\\Music  \r\n"
      "\t; comment=not a key\r\n"
      "bare line\r\n"
      "数 码MP3=second\r\n"
      "q1=\"  x  \"\r\n"
      "q2=\"\"x\"\"\r\n"
      "q3=\"\r\n"
      "[Other]\n"
      "k=v\n"
      "[DOWNPATH]\n"
      "late=in a second section of the same name\n"
      // 乚 is 81 5D in GBK, its second byte a ']'; 丄 (81 41) and 乤 (81 61)
      // differ only in a second byte that looks like 'A' or 'a'.
      "[乚]\r\n"
      "丄=upper\r\n"));
  EXPECT_EQ(f.Get("DOWNPATH", "数 码MP3"), "C:\\Music");  // the first of two
  EXPECT_EQ(f.Get(" DownPath\t", " 数 码Mp3 "), "C:\\Music");
  EXPECT_EQ(f.Get("DOWNPATH", "数码MP3"), std::nullopt);  // the inner blank counts
  EXPECT_EQ(f.Get("DOWNPATH", "q1"), "  x  ");
  EXPECT_EQ(f.Get("DOWNPATH", "q2"), "\"x\"");  // one pair of quotes only
  EXPECT_EQ(f.Get("DOWNPATH", "q3"), "\"");
  for (const char* hidden : {"bare line", "; comment", "stray", "k", "late"})
    EXPECT_EQ(f.Get("DOWNPATH", hidden), std::nullopt) << hidden;
  EXPECT_EQ(f.Get("other", "K"), "v");
  EXPECT_EQ(f.Get("missing", "k"), std::nullopt);
  EXPECT_EQ(f.Get("乚", "丄"), "upper");
  EXPECT_EQ(f.Get("乚", "乤"), std::nullopt);
  EXPECT_EQ(f.KeyNames("downpath"), (std::vector<std::string>{"数 码mp3", "bare line", "数 码MP3", "q1", "q2", "q3"}));
}

TEST(IniFile, SettingTouchesOnlyTheLinesItMust) {
  IniFile f = IniFile::Parse(G("; head\n[DOWNPATH]\n可视复读 = old\n\n[Other]\nk=v"));
  ASSERT_TRUE(f.Set("downpath", "可视复读", "D:\\新"));  // in place, keeping its line end
  ASSERT_TRUE(f.Set("DOWNPATH", "电子图书", "E:\\书"));   // after the last key, ahead of the blank
  ASSERT_TRUE(f.Set("OTHER", "K", "w"));                 // the key keeps its spelling
  ASSERT_TRUE(f.Set("Other", "k2", "x"));                // the last line gets its end first
  ASSERT_TRUE(f.Set("New", "a", "b"));                   // a new section after a blank line
  EXPECT_EQ(f.Serialize(), G("; head\n[DOWNPATH]\n可视复读=D:\\新\n电子图书=E:\\书\r\n\n[Other]\nk=w\r\nk2=x\r\n"
                             "\r\n[New]\r\na=b\r\n"));

  IniFile g = IniFile::Parse("[s]\r\nbare\r\n[t]");
  ASSERT_TRUE(g.Set("s", "BARE", "1"));
  ASSERT_TRUE(g.Set("t", "k", "2"));
  EXPECT_EQ(g.Serialize(), "[s]\r\nbare=1\r\n[t]\r\nk=2\r\n");
}

TEST(IniFile, ValuesReadingWouldAlterAreQuoted) {
  for (const std::string v : {"", " a", "a ", "\tx", "\"q\"", "\"\"", "\"", "a=b", ";x", "中 文 "}) {
    IniFile f;
    ASSERT_TRUE(f.Set("s", "k", v)) << v;
    EXPECT_EQ(IniFile::Parse(f.Serialize()).Get("s", "k"), v) << v;
  }
  IniFile f;
  ASSERT_TRUE(f.Set("s", "k", " a"));
  EXPECT_EQ(f.Serialize(), "[s]\r\nk=\" a\"\r\n");
}

TEST(IniFile, SettingRefusesTextsThatWouldNotReadBack) {
  const std::string original = G("[s]\r\nk=v\r\n");
  const std::vector<std::vector<std::string>> cases{
      {"s", "k", "line\nbreak"}, {"s", "k", "cr\rx"}, {"s", "k", Literal("nul\0")}, {"s", "a=b", "v"},
      {"s", "[k", "v"}, {"s", ";k", "v"}, {"a]b", "k", "v"}, {"s", " ", "v"}, {"", "k", "v"},
      {"s", "k", "😀"}, {"s", "김", "v"}, {"s", "k", "\xC3"},  // outside GBK, broken UTF-8
  };
  for (const auto& c : cases) {
    IniFile f = IniFile::Parse(original);
    EXPECT_FALSE(f.Set(c[0], c[1], c[2])) << c[0] << "/" << c[1];
    EXPECT_EQ(f.Serialize(), original);
  }
}

TEST(IniFile, FilesSavedAsUnicodeStayUnicode) {
  IniFile u8 = IniFile::Parse("\xEF\xBB\xBF[DOWNPATH]\r\n数 码MP3=C:\\音乐\r\n");
  EXPECT_EQ(u8.encoding(), IniEncoding::Utf8);
  EXPECT_EQ(u8.Get("downpath", "数 码mp3"), "C:\\音乐");
  ASSERT_TRUE(u8.Set("DOWNPATH", "电子图书", "D:\\김"));  // fine here, unlike in GBK
  EXPECT_EQ(u8.Serialize(), "\xEF\xBB\xBF[DOWNPATH]\r\n数 码MP3=C:\\音乐\r\n电子图书=D:\\김\r\n");

  for (const bool le : {true, false}) {
    IniFile f = IniFile::Parse(Utf16(u"\uFEFF[DOWNPATH]\r\n电子图书=D:\\书\n", le));
    EXPECT_EQ(f.Get("DOWNPATH", "电子图书"), "D:\\书");
    ASSERT_TRUE(f.Set("DOWNPATH", "下载图片", "E:\\图"));
    EXPECT_EQ(f.Serialize(), Utf16(u"\uFEFF[DOWNPATH]\r\n电子图书=D:\\书\n下载图片=E:\\图\r\n", le));
  }
  // A stray byte would shift every line after it: such a file is read, never written.
  const std::string odd = Utf16(u"\uFEFF[s]\r\nk=v\r\n", true) + "x";
  IniFile f = IniFile::Parse(odd);
  EXPECT_EQ(f.Get("s", "k"), "v");
  EXPECT_FALSE(f.writable());
  EXPECT_FALSE(f.Set("s", "k", "w"));
  EXPECT_EQ(f.Serialize(), odd);
}

}  // namespace
}  // namespace dockline::download
