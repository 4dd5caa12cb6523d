#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "download/ini_file.h"
#include "text/encoding.h"

namespace dockline::download {
namespace {

// GBK bytes of a UTF-8 literal.
std::string G(std::string_view utf8) { return text::Utf8ToGbk(utf8); }

// A literal with its NUL bytes.
template <std::size_t N>
std::string Literal(const char (&s)[N]) {
  return std::string(s, N - 1);
}

std::string Utf16Bytes(std::u16string_view s, bool littleEndian) {
  std::string out;
  for (const char16_t u : s) {
    const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    out += littleEndian ? std::string{lo, hi} : std::string{hi, lo};
  }
  return out;
}

TEST(IniFile, SerializingGivesBackEveryByteRead) {
  const std::vector<std::string> files{
      "",
      "\r\n",
      "no end",
      G("; 注释\n[DOWNPATH]\r\n数 码MP3=C:\\a\n\n[x]\r\nk=v"),
      Literal("bad\xFF\x81\nlone lead \xB5\r\nnul\0inside\r\r\n\n\n"),
      "\xEF\xBB\xBF[a]\r\nk=v\r\n",
      Literal("\xFF\xFE[\0a\0]\0\r\0\n\0"),
      Literal("\xFF\xFE[\0a\0]\0odd"),
  };
  for (const std::string& f : files) EXPECT_EQ(IniFile::Parse(f).Serialize(), f);
}

TEST(IniFile, NamesMatchWithoutAsciiCaseAndBlanksAreTrimmed) {
  const IniFile f = IniFile::Parse(G(
      "; before any section\r\n"
      "stray=1\r\n"
      "[ downpath ]\r\n"
      "  数 码mp3  =  C:\\Music  \r\n"
      "\t; a comment=not a key\r\n"
      "EMPTY=\r\n"
      "bare line\r\n"
      "数 码MP3=second\r\n"
      "[Other]\n"
      "k=v\n"
      "[DOWNPATH]\n"
      "late=ignored\n"));
  EXPECT_EQ(f.encoding(), IniEncoding::Gbk);
  EXPECT_EQ(f.Get("DOWNPATH", "数 码MP3"), "C:\\Music");  // and the first of two wins
  EXPECT_EQ(f.Get(" DownPath\t", " 数 码Mp3 "), "C:\\Music");
  EXPECT_EQ(f.Get("DOWNPATH", "empty"), "");
  // The inner blank is part of the name.
  EXPECT_EQ(f.Get("DOWNPATH", "数码MP3"), std::nullopt);
  // A key without '=' has no value; comments and keys of other sections are not seen.
  EXPECT_EQ(f.Get("DOWNPATH", "bare line"), std::nullopt);
  EXPECT_EQ(f.Get("DOWNPATH", "; a comment"), std::nullopt);
  EXPECT_EQ(f.Get("DOWNPATH", "k"), std::nullopt);
  EXPECT_EQ(f.Get("DOWNPATH", "stray"), std::nullopt);
  // Only the first section of a name counts.
  EXPECT_EQ(f.Get("DOWNPATH", "late"), std::nullopt);
  EXPECT_EQ(f.Get("other", "K"), "v");
  EXPECT_EQ(f.Get("missing", "k"), std::nullopt);
  EXPECT_EQ(f.Get("", "k"), std::nullopt);

  EXPECT_EQ(f.KeyNames("downpath"), (std::vector<std::string>{"数 码mp3", "EMPTY", "bare line", "数 码MP3"}));
  EXPECT_TRUE(f.KeyNames("missing").empty());
}

TEST(IniFile, QuotesAndTwoByteCharactersReadAsTheSystemReadsThem) {
  const IniFile f = IniFile::Parse(G(
      "[q]\r\n"
      "a=\"  x  \"\r\n"
      "b=\"\"x\"\"\r\n"
      "c=\"\r\n"
      "d=\"x\r\n"
      "e= \" y \" \r\n"
      // 乚 is 81 5D in GBK: its second byte is ']'.
      "[乚]\r\n"
      // 丄 (81 41) and 乤 (81 61) differ only in a second byte that looks like 'A'/'a'.
      "丄=upper\r\n"));
  EXPECT_EQ(f.Get("q", "a"), "  x  ");
  EXPECT_EQ(f.Get("q", "b"), "\"x\"");  // one pair only
  EXPECT_EQ(f.Get("q", "c"), "\"");
  EXPECT_EQ(f.Get("q", "d"), "\"x");
  EXPECT_EQ(f.Get("q", "e"), " y ");
  EXPECT_EQ(f.Get("乚", "丄"), "upper");
  EXPECT_EQ(f.Get("乚", "乤"), std::nullopt);
}

TEST(IniFile, SettingChangesOnlyTheLinesItMustTouch) {
  IniFile f = IniFile::Parse(G("; head\n[DOWNPATH]\n可视复读 = old\n\n[Other]\nk=v"));

  ASSERT_TRUE(f.Set("downpath", "可视复读", "D:\\新"));
  EXPECT_EQ(f.Serialize(), G("; head\n[DOWNPATH]\n可视复读=D:\\新\n\n[Other]\nk=v"));

  // A new key goes after the section's last key, ahead of the blank line.
  ASSERT_TRUE(f.Set("DOWNPATH", "电子图书", "E:\\书"));
  EXPECT_EQ(f.Serialize(), G("; head\n[DOWNPATH]\n可视复读=D:\\新\n电子图书=E:\\书\r\n\n[Other]\nk=v"));

  // The last line gets a line end before anything follows it; the key keeps its spelling.
  ASSERT_TRUE(f.Set("OTHER", "K", "w"));
  ASSERT_TRUE(f.Set("Other", "k2", "x"));
  EXPECT_EQ(f.Serialize(), G("; head\n[DOWNPATH]\n可视复读=D:\\新\n电子图书=E:\\书\r\n\n[Other]\nk=w\r\nk2=x\r\n"));

  // A new section goes at the end after a blank line.
  ASSERT_TRUE(f.Set("New", "a", "b"));
  EXPECT_TRUE(f.Serialize().ends_with("k2=x\r\n\r\n[New]\r\na=b\r\n"));

  const IniFile back = IniFile::Parse(f.Serialize());
  EXPECT_EQ(back.Get("DOWNPATH", "可视复读"), "D:\\新");
  EXPECT_EQ(back.Get("DOWNPATH", "电子图书"), "E:\\书");
  EXPECT_EQ(back.Get("Other", "k"), "w");
  EXPECT_EQ(back.Get("New", "a"), "b");

  // A key without '=' takes the value in place; a section with no keys gets its first.
  IniFile g = IniFile::Parse("[s]\r\nbare\r\n[t]");
  ASSERT_TRUE(g.Set("s", "BARE", "1"));
  ASSERT_TRUE(g.Set("t", "k", "2"));
  EXPECT_EQ(g.Serialize(), "[s]\r\nbare=1\r\n[t]\r\nk=2\r\n");
}

TEST(IniFile, ANewFileIsPlainGbkWithCrlf) {
  IniFile f;
  ASSERT_TRUE(f.Set("DOWNPATH", "数 码MP3", "C:\\我的文档"));
  ASSERT_TRUE(f.Set("DOWNPATH", "下载图片", "C:"));
  EXPECT_EQ(f.Serialize(),
            "[DOWNPATH]\r\n"
            "\xCA\xFD \xC2\xEBMP3=C:\\\xCE\xD2\xB5\xC4\xCE\xC4\xB5\xB5\r\n"
            "\xCF\xC2\xD4\xD8\xCD\xBC\xC6\xAC=C:\r\n");
}

TEST(IniFile, ValuesReadingWouldAlterAreQuotedAndComeBackWhole) {
  const std::vector<std::string> values{"", " a", "a ", "\tx", "  ", "\"q\"", "\"\"", "\"", "\"x", "a=b",
                                        ";x", "[y]", "中 文 ", "C:\\Program Files\\"};
  for (const std::string& v : values) {
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
  struct Case {
    std::string section, key, value;
  };
  const std::vector<Case> cases{
      {"s", "k", "line\nbreak"}, {"s", "k", "cr\rx"},   {"s", "k", Literal("nul\0")},
      {"s", "a=b", "v"},         {"s", "[k", "v"},      {"s", ";k", "v"},
      {"a]b", "k", "v"},         {"s", "", "v"},        {"  ", "k", "v"},
      {"s", "k", "😀"},          {"s", "김", "v"},       {"s", "k", "\xC3"},  // not GBK / broken UTF-8
  };
  for (const Case& c : cases) {
    IniFile f = IniFile::Parse(original);
    EXPECT_FALSE(f.Set(c.section, c.key, c.value)) << c.section << "/" << c.key;
    EXPECT_EQ(f.Serialize(), original);
  }
}

TEST(IniFile, FilesSavedAsUnicodeStayUnicode) {
  // UTF-8 with its mark, as an editor saves it: characters GBK lacks are fine here.
  IniFile u8 = IniFile::Parse("\xEF\xBB\xBF[DOWNPATH]\r\n数 码MP3=C:\\音乐\r\n");
  EXPECT_EQ(u8.encoding(), IniEncoding::Utf8);
  EXPECT_EQ(u8.Get("downpath", "数 码mp3"), "C:\\音乐");
  ASSERT_TRUE(u8.Set("DOWNPATH", "电子图书", "D:\\김"));
  EXPECT_EQ(u8.Serialize(), "\xEF\xBB\xBF[DOWNPATH]\r\n数 码MP3=C:\\音乐\r\n电子图书=D:\\김\r\n");

  for (const bool le : {true, false}) {
    IniFile f = IniFile::Parse(Utf16Bytes(u"\uFEFF[DOWNPATH]\r\n电子图书=D:\\书\n", le));
    EXPECT_EQ(f.encoding(), le ? IniEncoding::Utf16Le : IniEncoding::Utf16Be);
    EXPECT_TRUE(f.writable());
    EXPECT_EQ(f.Get("DOWNPATH", "电子图书"), "D:\\书");
    ASSERT_TRUE(f.Set("DOWNPATH", "下载图片", "E:\\图"));
    EXPECT_EQ(f.Serialize(), Utf16Bytes(u"\uFEFF[DOWNPATH]\r\n电子图书=D:\\书\n下载图片=E:\\图\r\n", le));
  }

  // A stray byte would shift every later line: such a file is read but never written.
  const std::string odd = Utf16Bytes(u"\uFEFF[s]\r\nk=v\r\n", true) + "x";
  IniFile f = IniFile::Parse(odd);
  EXPECT_FALSE(f.writable());
  EXPECT_EQ(f.Get("s", "k"), "v");
  EXPECT_FALSE(f.Set("s", "k", "w"));
  EXPECT_EQ(f.Serialize(), odd);
}

}  // namespace
}  // namespace dockline::download
