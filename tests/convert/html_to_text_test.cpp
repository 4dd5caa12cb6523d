#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "convert/html_to_text.h"
#include "test_support.h"

namespace dockline::convert {
namespace {

using namespace std::string_literals;
using namespace testutil;

TEST(Scan, EachRuleGivesTheExpectedBytes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      // <br> in any case is a line break; the page's own CR LF after it is swallowed.
      {"A<BR>B<bR>C<br>\r\nD", "A\r\nB\r\nC\r\nD"},
      {"A<br/>B<br />C<br >D", "ABCD"},  // ordinary tags
      {"A<br>\r", "A\r\n"}, {"A<br>", "A\r\n"},  // a tag that ends the page, with and without a CR after it
      // Only an LF goes with the swallowed CR: after a bare CR the next character stays, and stays whole.
      {"A<br>\r\xD6\xD0" "B", "A\r\n\xD6\xD0" "B"},
      // Script, style and comment vanish up to their closing text, or to the end of the page.
      {"a<SCRIPT type=x>if (x < y) z();</ScRiPt>b<Style>p>q{}</STYLE>c<!-- x > y -->d<!-->e", "abcde"},
      {"a<script>x</script >b", "a>b"},  // one byte after "</script" is taken, whatever it is
      {"a<script>var s='</scrip", "a"}, {"a<style>p{}", "a"}, {"a<!-- x", "a"},
      // Any other tag up to its '>'.
      {"<html><head><title></title></head><body></body></html>", ""},
      {"x<a href=", "x"}, {"x<", "x"}, {"a>b", "a>b"},
      // Entities: only the byte after '&' is looked at.
      {"&amp;&lt;&gt;&nbsp;&quot;", "&<> \""},
      {"&copy;&#169;&AMP;&apos;&lxyz", "copy;#169;AMP;&;<z"},
      {"a&", "a"}, {"a&a", "a&"}, {"&nb", " "},
      // Carriage returns: kept after visible text, else only when text comes before the next '<'.
      {"\r\n\r\n  \r\n<html>Text", "Text"},
      {"Text\r\n\r\n\x01More", "Text\r\n\r\n\x01More"},
      {"Text\r\n\r\n<p>More", "Text\r\nMore"},
      {"Hi\r\n\r\n  \t", "Hi\r\n"},
      {" \r\n<p>X", " X"},          // blanks are not visible text,
      {"\t\r\n<p>X", "\t\r\nX"},    // control characters are,
      {"&amp;\r\n<p>X", "&X"},      // entities are not
      {"A\r\r\nB", "A\r\r\nB"},
      {"A\r\n\n\r\n<p>", "A\r\n\n\r\n"},
      {"A\r", "A\r"},
      // In place the text moves over itself; the flag must see the text, not what replaced it.
      {"<p>x      \r\n<p>y", "x      \r\ny"},
      // Bytes: double-byte characters pass as pairs; NUL becomes a blank that is no text.
      {"\xB0<\xB0&\xB0\r", "\xB0<\xB0&\xB0\r"},
      {"a\xB0", "a\xB0"}, {"\x80<b>x", "\x80x"},
      {"a\0\xB0\0c"s, "a \xB0 c"}, {"\0\r\n<p>x"s, " x"}, {"&\0amp;"s, " amp;"},
  };
  for (const auto& [page, text] : cases) {
    EXPECT_EQ(HtmlBytesToText(page), text) << '"' << page << '"';
    // In place, over a copy of the page, the result is the same.
    std::string buffer = page;
    auto* p = reinterpret_cast<std::uint8_t*>(buffer.data());
    buffer.resize(ScanHtml(p, buffer.size(), p));
    EXPECT_EQ(buffer, text) << "in place: \"" << page << '"';
  }
}

using ConvertPage = ScratchTest;

TEST_F(ConvertPage, WritesTheTextAndCutsBothPathsAtTheFirstDot) {
  Write(Path("我的.page.html"), "<b>\xD6\xD0</b>&lt;<br>x");
  HtmlToText converter(notifier, dir_);
  std::string source = Path("我的.page.html"), device = "G:\\系统\\电子图书\\我的.page.html";
  ASSERT_TRUE(converter.Convert(source, device, "我的.page.html"));
  EXPECT_EQ(source, Path("我的.txt"));
  EXPECT_EQ(device, "G:\\系统\\电子图书\\我的.txt");
  EXPECT_EQ(Read(source), "\xD6\xD0<\r\nx");
  // Names without a dot are kept whole; a second page of the same stem replaces the text.
  Write(Path("p"), "y");
  source = Path("p"), device = "G:\\a";
  ASSERT_TRUE(converter.Convert(source, device, "我的"));
  EXPECT_EQ(device, "G:\\a.txt");
  EXPECT_EQ(Read(source), "y");
  // Without a folder of its own the converter writes to the user's temporary folder.
  const std::string stem(platform::FileNamePart(dir_));  // a name no one else uses
  source = Path("p");
  ASSERT_TRUE(HtmlToText(notifier).Convert(source, device, stem + ".htm"));
  EXPECT_EQ(source, platform::TempFolder() + stem + ".txt");
  EXPECT_EQ(Read(source), "y");
  platform::RemoveFile(source);
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(ConvertPage, FailuresAreReportedAndChangeNeitherPath) {
  Write(Path("p.html"), "text");
  for (const auto& [temp, page] : {std::pair<std::string, std::string>{dir_, "none.html"}, {Path("无此文件夹"), "p.html"}}) {
    std::string source = Path(page), device = "G:\\" + page;
    EXPECT_FALSE(HtmlToText(notifier, temp).Convert(source, device, page));
    EXPECT_EQ(source, Path(page));
    EXPECT_EQ(device, "G:\\" + page);
  }
  ASSERT_EQ(notifier.messages.size(), 2u);
  EXPECT_EQ(notifier.messages[0], "打开html错误");
  EXPECT_TRUE(notifier.messages[1].starts_with("无法在临时文件夹中创建文本文件：" +
                                               platform::JoinPath(Path("无此文件夹"), "p.txt")))
      << notifier.messages[1];
  EXPECT_EQ(platform::FindFiles(Path("*")).size(), 1u);  // the page alone: no text left behind
}

}  // namespace
}  // namespace dockline::convert
