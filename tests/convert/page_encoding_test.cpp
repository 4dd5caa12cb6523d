#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "convert/html_to_text.h"
#include "convert/page_encoding.h"
#include "test_support.h"
#include "text/encoding.h"

namespace dockline::convert {
namespace {

using namespace std::string_literals;
using namespace testutil;

std::string Utf16Page(std::string_view utf8, bool bigEndian) {
  std::string page = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text::Utf8ToUtf16(utf8)) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    page += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return page;
}

// HtmlBytesToText, and the in-place conversion the program and the cli run, must agree.
std::string Text(std::string page) {
  const std::string copied = HtmlBytesToText(page);
  page.resize(PageToText(reinterpret_cast<std::uint8_t*>(page.data()), page.size()));
  EXPECT_EQ(page, copied) << "in place";
  return copied;
}

TEST(PageEncoding, TheMarkOrTheFirstDeclarationDecides) {
  const std::string pad(1024 - 22, ' ');  // 22 = the length of <meta charset="utf-8">
  const std::vector<std::tuple<std::string, PageEncoding, std::size_t>> cases = {
      {"\xFF\xFE<\0"s, PageEncoding::Utf16Le, 2},
      {"\xEF\xBB\xBF<meta charset=gbk>", PageEncoding::Utf8, 3},  // the mark outweighs a declaration
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">", PageEncoding::Utf8, 0},
      {"<?xml version=\"1.0\" encoding=\"utf-8\"?><html>", PageEncoding::Utf8, 0},
      // A declaration that reads as ASCII was not written in UTF-16.
      {"<meta charset=\"utf-16\">", PageEncoding::Utf8, 0},
      {"<meta charset=\"x-made-up\"><meta charset=\"utf-8\">", PageEncoding::Gbk, 0},
      {"<meta charset=gbk charset=utf-8>", PageEncoding::Gbk, 0},  // the first of a repeated attribute
      {"<html><p>no declaration</p>", PageEncoding::Gbk, 0},
      // A content type counts only beside its http-equiv.
      {"<meta name=x content=\"text/html; charset=utf-8\">", PageEncoding::Gbk, 0},
      // Comments and other tags' attributes hide what they hold.
      {"<!-- <meta charset=utf-8> --><p>", PageEncoding::Gbk, 0},
      {"<a title='x > <meta charset=utf-8>'>", PageEncoding::Gbk, 0},
      {"<meta charset=\"utf-8", PageEncoding::Gbk, 0},
      // Only the first 1024 bytes are looked at.
      {pad + "<meta charset=\"utf-8\">", PageEncoding::Utf8, 0},
      {pad + " <meta charset=\"utf-8\">", PageEncoding::Gbk, 0},
  };
  for (const auto& [page, encoding, mark] : cases) {
    const PageSniff sniff = SniffPageEncoding(page);
    EXPECT_EQ(sniff.encoding, encoding) << page;
    EXPECT_EQ(sniff.markLength, mark) << page;
  }
}

TEST(PageEncoding, UnicodePagesGiveTheTextOfTheirGbkTwin) {
  const std::string body =
      "<title>标题</title>\r\n<p>你好&amp;世界&lt;中文&gt;</p><br>\r\n<script>if (a < b) x();</script>"
      "中文&nbsp;&quot;￥&quot;\r\n\r\n<p>完</p>";
  const std::string gbkBody =
      "<title>\xB1\xEA\xCC\xE2</title>\r\n<p>\xC4\xE3\xBA\xC3&amp;\xCA\xC0\xBD\xE7&lt;\xD6\xD0\xCE\xC4&gt;</p><br>\r\n"
      "<script>if (a < b) x();</script>\xD6\xD0\xCE\xC4&nbsp;&quot;\xA3\xA4&quot;\r\n\r\n<p>\xCD\xEA</p>";
  const std::string gbkText = Text("<meta charset=gbk>" + gbkBody);
  EXPECT_EQ(gbkText, "\xB1\xEA\xCC\xE2\r\n\xC4\xE3\xBA\xC3&\xCA\xC0\xBD\xE7<\xD6\xD0\xCE\xC4>\r\n"
                     "\xD6\xD0\xCE\xC4 \"\xA3\xA4\"\r\n\xCD\xEA");
  EXPECT_EQ(Text("<meta charset=\"utf-8\">" + body), gbkText);
  EXPECT_EQ(Text("\xEF\xBB\xBF" + body), gbkText);
  EXPECT_EQ(Text(Utf16Page(body, false)), gbkText);
  EXPECT_EQ(Text(Utf16Page(body, true)), gbkText);
}

TEST(PageEncoding, WhatGbkLacksAndWhatIsIllFormedBecomesOneQuestionMarkEach) {
  const std::string utf8 = "\xEF\xBB\xBF";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {utf8 + "\xC3\xA9\xE2\x82\xAC\xC2\xB7", "\xA8\xA6\x80\xA1\xA4"},  // é € · are in GBK,
      {utf8 + "\xC3\xB1|\xF0\x9F\x98\x80|\xEF\xBF\xBD", "?|?|?"},        // ñ, an emoji and U+FFFD are not,
      // nor are ² ¢ (no look-alikes such as '2') or private-use characters, whatever the platform.
      {utf8 + "\xC2\xB2\xC2\xA2\xEE\x80\x80\xEF\x80\x80", "????"},
      // A bad byte must not take the '<' after it along as a trail byte.
      {utf8 + "a\xFF<b>c\xC0\xAF" "d\xED\xA0\x80" "e\xE4\xBD" "f\x80", "a?c??d???e?f?"},
      {utf8 + "end\xE4\xBD", "end?"},
      {utf8 + "\0x"s, " x"},
      {"\xFF\xFE" "A\0\x00\xD8" "B\0\x00\xDC\x3D\xD8\x00\xDE" "C\0D"s, "A?B??C?"},  // lone halves, a pair, half a unit
      {"\xFE\xFF\0A\x4E\x2D\xD8\x00"s, "A\xD6\xD0?"},
  };
  for (const auto& [page, text] : cases) EXPECT_EQ(Text(page), text) << page;
}

}  // namespace
}  // namespace dockline::convert
