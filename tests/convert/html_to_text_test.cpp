#include <gtest/gtest.h>

#include <string>

#include "convert/html_to_text.h"
#include "test_support.h"

namespace dockline::convert {
namespace {

using testutil::ReadText;
using testutil::RecordingNotifier;
using testutil::ScratchFolder;
using testutil::WriteText;

struct ScanCase {
  const char* name;
  std::string page;
  std::string text;
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class Scan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(Scan, GivesTheExpectedBytes) {
  const ScanCase& c = GetParam();
  EXPECT_EQ(HtmlBytesToText(c.page), c.text);
  // In place, over a copy of the page, the result is the same.
  std::string buffer = c.page;
  auto* p = reinterpret_cast<std::uint8_t*>(buffer.data());
  buffer.resize(ScanHtml(p, buffer.size(), p));
  EXPECT_EQ(buffer, c.text);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(LineBreakTag, Scan, ::testing::Values(
    ScanCase{"BreaksALine", "Hello<br>World", "Hello\r\nWorld"},
    ScanCase{"IgnoresCase", "A<BR>B<bR>C", "A\r\nB\r\nC"},
    ScanCase{"SwallowsThePagesOwnBreak", "A<br>\r\nB", "A\r\nB"},
    ScanCase{"SelfClosingFormIsAnOrdinaryTag", "A<br/>B<br />C<br >D", "ABCD"},
    ScanCase{"AtTheVeryEnd", "A<br>", "A\r\n"},
    ScanCase{"CrAtTheEndAfterTheTag", "A<br>\r", "A\r\n"},
    // Only an LF after the swallowed CR goes with it: a page with bare CR
    // line ends keeps the first character of the next line.
    ScanCase{"BareCrKeepsTheNextCharacter", "A<br>\rB", "A\r\nB"},
    ScanCase{"BareCrKeepsADoubleByteCharacterWhole", "A<br>\r\xD6\xD0", "A\r\n\xD6\xD0"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Elements, Scan, ::testing::Values(
    ScanCase{"ScriptWithALessThanVanishesWhole", "a<script>if (x < y) z();</script>b", "ab"},
    ScanCase{"ScriptInCapitals", "a<SCRIPT type=x>q</ScRiPt>b", "ab"},
    ScanCase{"BlankBeforeTheClosingBracketLeavesIt", "a<script>x</script >b", "a>b"},
    ScanCase{"UnclosedScriptTakesTheRest", "a<script>var s='</scrip", "a"},
    ScanCase{"Style", "a<style>p>q{}</style>b", "ab"},
    ScanCase{"UnclosedStyle", "a<style>p{}", "a"},
    ScanCase{"CommentWithABracket", "a<!-- x > y -->b", "ab"},
    ScanCase{"UnclosedComment", "a<!-- x", "a"},
    ScanCase{"ShortestComment", "a<!-->b", "ab"},
    ScanCase{"OrdinaryTag", "<p class=\"x\">Hi</p>", "Hi"},
    ScanCase{"UnclosedTag", "x<a href=", "x"},
    ScanCase{"LoneLessThanAtTheEnd", "x<", "x"},
    ScanCase{"GreaterThanIsText", "a>b", "a>b"},
    ScanCase{"MarkupAlone", "<html><head><title></title></head><body></body></html>", ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Entities, Scan, ::testing::Values(
    ScanCase{"TheFiveInARow", "&amp;&lt;&gt;&nbsp;&quot;", "&<> \""},
    ScanCase{"CopyrightLosesItsAmpersand", "&copy;", "copy;"},
    ScanCase{"NumericReference", "&#169;", "#169;"},
    ScanCase{"Capitals", "&AMP;", "AMP;"},
    ScanCase{"ApostropheIsReadAsAmp", "&apos;", "&;"},
    ScanCase{"OnlyTheSecondByteCounts", "&lxyz", "<z"},
    ScanCase{"AmpersandAtTheEnd", "a&", "a"},
    ScanCase{"EntityCutByTheEnd", "a&a", "a&"},
    ScanCase{"NbspCutByTheEnd", "&nb", " "}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(CarriageReturns, Scan, ::testing::Values(
    ScanCase{"LeadingBlankLinesVanish", "\r\n\r\n  \r\n<html>Text", "Text"},
    ScanCase{"BreakAfterTextIsKept", "Text\r\nMore", "Text\r\nMore"},
    ScanCase{"BlankLineBeforeTextIsKept", "Text\r\n\r\nMore", "Text\r\n\r\nMore"},
    ScanCase{"BlankLineBeforeMarkupVanishes", "Text\r\n\r\n<p>More", "Text\r\nMore"},
    ScanCase{"TrailingBlankLinesVanish", "Hi\r\n\r\n  \t", "Hi\r\n"},
    ScanCase{"BlanksDoNotCountAsText", " \r\n<p>X", " X"},
    ScanCase{"ControlCharactersDo", "\t\r\n<p>X", "\t\r\nX"},
    ScanCase{"EntitiesDoNot", "&amp;\r\n<p>X", "&X"},
    ScanCase{"LoneCrAfterText", "A\r\r\nB", "A\r\r\nB"},
    ScanCase{"LfIsNotPairedWithAnEarlierCr", "A\r\n\n\r\n<p>", "A\r\n\n\r\n"},
    ScanCase{"CrAloneAtTheEnd", "A\r", "A\r"},
    ScanCase{"TextFoundAfterControlBytes", "\r\n\x01X", "\r\n\x01X"},
    // In place the text moves over itself; the flag must see the text, not what replaced it.
    ScanCase{"TextBeforeBlanksAfterMarkup", "<p>x      \r\n<p>y", "x      \r\ny"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Bytes, Scan, ::testing::Values(
    ScanCase{"DoubleByteCharactersPassAsPairs", "\xD6\xD0\xCE\xC4", "\xD6\xD0\xCE\xC4"},
    ScanCase{"TrailByteIsNeverMarkup", "\xB0<\xB0&\xB0\r", "\xB0<\xB0&\xB0\r"},
    ScanCase{"LeadByteCutByTheEnd", "a\xB0", "a\xB0"},
    ScanCase{"ByteBelowLeadRangeIsSingle", "\x80<b>x", "\x80x"},
    ScanCase{"NulBecomesABlank", "a\0b"s, "a b"},
    ScanCase{"NulAsTrailByte", "\xB0\0c"s, "\xB0 c"},
    ScanCase{"NulIsNoText", "\0\r\n<p>x"s, " x"},
    ScanCase{"NulDoesNotHideAnEntity", "&\0amp;"s, " amp;"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScanLimits, PageLargerThanOneMebibyteConvertsWhole) {
  const std::string unit = "<p>\xD6\xD0 text&amp;</p>\r\n";
  std::string page, expected;
  while (page.size() < 3 * 1024 * 1024) {
    page += unit;
    expected += "\xD6\xD0 text&\r\n";
  }
  EXPECT_EQ(HtmlBytesToText(page), expected);
}

TEST(ScanLimits, LongRunOfCarriageReturnsStaysLinear) {
  // Every CR looks ahead to the same 'X'; done naively this takes hours.
  const std::string page = std::string(400000, '\r') + "X";
  EXPECT_EQ(HtmlBytesToText(page), page);
}

TEST(Names, CutAtTheFirstDot) {
  EXPECT_EQ(ReplaceFromFirstDot("my.page.html", ".txt"), "my.txt");
  EXPECT_EQ(ReplaceFromFirstDot("readme", ".txt"), "readme.txt");
  EXPECT_EQ(ReplaceFromFirstDot(".htm", ".txt"), ".txt");
  EXPECT_EQ(ReplaceFromFirstDot("G:\\系统\\电子图书\\三国.演义.htm", ".txt"), "G:\\系统\\电子图书\\三国.txt");
}

class ConvertFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch.ok()); }
  ScratchFolder scratch;
  RecordingNotifier notifier;
};

TEST_F(ConvertFile, WritesTheTextAndRewritesBothPaths) {
  const std::string page = scratch.File("我的.page.html");
  ASSERT_TRUE(WriteText(page, "<b>\xD6\xD0</b>&lt;<br>x"));
  const std::string temp = platform::JoinPath(scratch.path(), "临时");
  ASSERT_TRUE(platform::MakeDirectory(temp));
  HtmlToText converter(notifier, temp);

  std::string source = page;
  std::string device = "G:\\系统\\电子图书\\我的.page.html";
  ASSERT_TRUE(converter.Convert(source, device, "我的.page.html"));
  EXPECT_EQ(source, platform::JoinPath(temp, "我的.txt"));
  EXPECT_EQ(device, "G:\\系统\\电子图书\\我的.txt");
  EXPECT_EQ(ReadText(source), "\xD6\xD0<\r\nx");
  EXPECT_TRUE(notifier.messages.empty());

  // A second page of the same stem replaces the text, it does not append.
  ASSERT_TRUE(WriteText(page, "y"));
  source = page;
  device = "G:\\a";
  ASSERT_TRUE(converter.Convert(source, device, "我的"));
  EXPECT_EQ(device, "G:\\a.txt");
  EXPECT_EQ(ReadText(source), "y");
}

TEST_F(ConvertFile, UsesTheUsersTemporaryFolderByDefault) {
  const std::string page = scratch.File("p.htm");
  ASSERT_TRUE(WriteText(page, "<i>z</i>"));
  HtmlToText converter(notifier);
  std::string source = page;
  std::string device = "G:\\p.htm";
  const std::string name = std::string(platform::FileNamePart(scratch.path())) + ".htm";
  ASSERT_TRUE(converter.Convert(source, device, name));
  EXPECT_EQ(source, platform::TempFolder() + std::string(platform::FileNamePart(scratch.path())) + ".txt");
  EXPECT_EQ(ReadText(source), "z");
  platform::RemoveFile(source);
}

TEST_F(ConvertFile, MissingPageIsReportedAndNothingChanges) {
  HtmlToText converter(notifier, scratch.path());
  std::string source = scratch.File("none.html");
  std::string device = "G:\\none.html";
  EXPECT_FALSE(converter.Convert(source, device, "none.html"));
  EXPECT_EQ(notifier.messages, std::vector<std::string>{"打开html错误"});
  EXPECT_EQ(source, scratch.File("none.html"));
  EXPECT_EQ(device, "G:\\none.html");
  EXPECT_FALSE(platform::FileExists(scratch.File("none.txt")));
}

TEST_F(ConvertFile, TextThatCannotBeCreatedIsAFailure) {
  const std::string page = scratch.File("p.html");
  ASSERT_TRUE(WriteText(page, "text"));
  HtmlToText converter(notifier, scratch.File("no such folder"));
  std::string source = page;
  std::string device = "G:\\p.html";
  EXPECT_FALSE(converter.Convert(source, device, "p.html"));
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].rfind("无法在临时文件夹中创建文本文件：", 0), 0u) << notifier.messages[0];
  EXPECT_NE(notifier.messages[0].find("p.txt"), std::string::npos);
  EXPECT_EQ(source, page);
  EXPECT_EQ(device, "G:\\p.html");
}

}  // namespace
}  // namespace dockline::convert
