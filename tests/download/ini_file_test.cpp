#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "download/ini_file.h"
#include "test_support.h"

namespace dockline::download {
namespace {

using namespace std::string_literals;
using testing::G;

TEST(IniFile, ReadsByTheProfileRules) {
  const IniFile f = IniFile::Parse(G(
      "stray=before any section\r\n"
      "[ downpath ]\r\n"
      "  数 码mp3  =  C:\\Music  \r\n"
      "\t; comment=not a key\r\n"
      "bare line\r\n"
      "数 码MP3=second\r\n"
      "[Other]\n"
      "k=v\n"
      "quoted = \" kept \"\n"
      "[DOWNPATH]\n"
      "late=in a second section of the same name\n"
      // 乚 is 81 5D in GBK, its second byte a ']'; 丄 (81 41) and 乤 (81 61)
      // differ only in a second byte that looks like 'A' or 'a'.
      "[乚]\r\n"
      "丄=upper\r\n"));
  EXPECT_EQ(f.Get("DOWNPATH", "数 码MP3"), "C:\\Music");  // the first of two
  EXPECT_EQ(f.Get(" DownPath\t", " 数 码Mp3 "), "C:\\Music");
  EXPECT_EQ(f.Get("DOWNPATH", "数码MP3"), std::nullopt);  // the inner blank counts
  for (const char* hidden : {"bare line", "; comment", "stray", "k", "late"})
    EXPECT_EQ(f.Get("DOWNPATH", hidden), std::nullopt) << hidden;
  EXPECT_EQ(f.Get("other", "K"), "v");
  EXPECT_EQ(f.Get("Other", "quoted"), " kept ");
  EXPECT_EQ(f.Get("missing", "k"), std::nullopt);
  EXPECT_EQ(f.Get("乚", "丄"), "upper");
  EXPECT_EQ(f.Get("乚", "乤"), std::nullopt);
}

TEST(IniFile, SettingTouchesOnlyTheLinesItMust) {
  // Lines a change does not touch come back byte for byte, bytes no encoding knows included.
  const std::string junk = "bad\xFF\x81\nlone \xB5\r\nnul\0in\r\r\n"s;
  IniFile f = IniFile::Parse(junk + G("; head\n[DOWNPATH]\n可视复读 = old\n\n[Other]\nk=v"));
  ASSERT_TRUE(f.Set("downpath", "可视复读", "D:\\新"));  // in place, keeping its line end
  ASSERT_TRUE(f.Set("DOWNPATH", "电子图书", "E:\\书"));   // after the last key, ahead of the blank
  ASSERT_TRUE(f.Set("OTHER", "K", "w"));                 // the key keeps its spelling
  ASSERT_TRUE(f.Set("Other", "k2", "x"));                // the last line gets its end first
  ASSERT_TRUE(f.Set("New", "a", "b"));                   // a new section after a blank line
  EXPECT_EQ(f.Serialize(), junk + G("; head\n[DOWNPATH]\n可视复读=D:\\新\n电子图书=E:\\书\r\n\n[Other]\nk=w\r\nk2=x\r\n"
                                    "\r\n[New]\r\na=b\r\n"));
  IniFile g = IniFile::Parse("[s]\r\nbare\r\n[t]");
  ASSERT_TRUE(g.Set("s", "BARE", "1"));
  ASSERT_TRUE(g.Set("t", "k", "2"));
  EXPECT_EQ(g.Serialize(), "[s]\r\nbare=1\r\n[t]\r\nk=2\r\n");
}

}  // namespace
}  // namespace dockline::download
