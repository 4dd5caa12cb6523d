// The text of XHTML chapters and Word documents, element by element, with
// the expected text written out by hand. Every well-formed case is read by
// the platform's XML reader and again by the tolerant scan: the two must
// agree, since a chapter may meet either.
#include <gtest/gtest.h>

#include "book_support.h"

namespace dockline::convert {
namespace {

using testutil::PieceSource;
using testutil::Reader;

class XhtmlText : public ::testing::TestWithParam<Reader> {
 protected:
  std::string Text(const std::string& body, std::size_t* replaced = nullptr) {
    return testutil::WalkText(testutil::XhtmlPage(body), GetParam(), [](XmlReader& r, TextOut& out) { WalkXhtml(r, out); },
                              replaced);
  }
};

TEST_P(XhtmlText, BlocksEndLinesAndWhiteSpaceCollapses) {
  EXPECT_EQ(Text("<h1>第一章\n  开始</h1><p>  一段\n\t文字 <em>强调</em>。 </p>"
                 "<div>甲<br/>乙<br/><br/><br/>丙</div><blockquote><p>引文</p></blockquote>"
                 "<h2>第二节</h2><p>末</p><p>   </p><hr/><p>后</p>"),
            "第一章 开始\n一段 文字 强调。\n甲\n乙\n\n丙\n引文\n\n第二节\n末\n后\n");
  // Preformatted text keeps its spaces and lines; a heading's empty line is never doubled.
  EXPECT_EQ(Text("<pre>a  b\n  c\n \n\n\nd</pre><p>x</p><h1>H1</h1><h2>H2</h2>"), "a  b\n  c\n\nd\nx\n\nH1\n\nH2\n");
}

TEST_P(XhtmlText, EntitiesOfHtmlAndXmlAreDecoded) {
  std::size_t replaced = 0;
  EXPECT_EQ(Text("<p>A&nbsp;B &eacute;&mdash;&hellip;&ldquo;&rdquo; &#x4E2D;&#25991; &amp;&lt;&gt;&quot;&apos; "
                 "&middot;&times;&deg; &unknown; AT&amp;T &shy;x&#8203;y</p>",
                 &replaced),
            "A B é—…“” 中文 &<>\"' ·×° &unknown; AT&T xy\n");
  EXPECT_EQ(replaced, 0u);
  // A character GBK lacks is one '?', counted; an attribute's references resolve too.
  EXPECT_EQ(Text("<p>&#x1F600;<img alt=\"&lt;猫&gt;\"/></p>", &replaced), "?<猫>\n");
  EXPECT_EQ(replaced, 1u);
}

TEST_P(XhtmlText, RubyKeepsItsAnnotationInParentheses) {
  EXPECT_EQ(Text("<p><ruby>汉<rp>(</rp><rt>hàn</rt><rp>)</rp></ruby><ruby>字<rt>zì</rt></ruby>，"
                 "<ruby><rb>北</rb><rb>京</rb><rtc><rt>běi</rt><rt>jīng</rt></rtc></ruby></p>"),
            "汉(hàn)字(zì)，北京(běijīng)\n");
}

TEST_P(XhtmlText, TableRowsAreLinesOfCellsInOrder) {
  EXPECT_EQ(Text("<table><caption>表</caption><thead><tr><th>名字</th><th>年龄</th></tr></thead>"
                 "<tbody><tr><td><p>张三</p><p>小张</p></td><td>18</td></tr><tr><td></td><td>20<br/>岁</td></tr>"
                 "</tbody></table><p>后</p>"),
            "表\n名字 | 年龄\n张三 小张 | 18\n | 20 岁\n后\n");
}

TEST_P(XhtmlText, ListItemsAreNumberedOrMarked) {
  EXPECT_EQ(Text("<ol start=\"3\"><li>三</li><li><p>四</p></li><li value=\"9\">九</li></ol>"
                 "<ul><li>甲<ul><li>乙</li></ul></li></ul>"),
            "3. 三\n4. 四\n9. 九\n· 甲\n· 乙\n");
}

TEST_P(XhtmlText, NotesStayWhereTheBookPutsThem) {
  EXPECT_EQ(Text("<p>正文<a epub:type=\"noteref\" href=\"#n1\"><sup>1</sup></a>继续"
                 "<a class=\"footnote-ref\" href=\"#n2\">[2]</a>。</p>"
                 "<aside epub:type=\"footnote\" id=\"n1\"><p>注一<a href=\"#r1\" role=\"doc-backlink\">↩︎</a></p></aside>"),
            "正文[1]继续[2]。\n注一\n");
}

TEST_P(XhtmlText, WhatIsNotReadIsLeftOut) {
  EXPECT_EQ(Text("<p>图<img src=\"a.png\" alt=\"一只猫\"/>与<img src=\"b.png\"/>止</p>"
                 "<script>var a = '<p>x</p>';</script><style>p { }</style>"
                 "<p hidden=\"\">藏</p><span aria-hidden=\"true\">藏</span>"
                 "<svg xmlns=\"http://www.w3.org/2000/svg\"><text>藏</text></svg>"
                 "<span epub:type=\"pagebreak\" title=\"12\">12</span><!-- 注释 --><p><![CDATA[<原样>]]></p>"),
            "图一只猫与止\n<原样>\n");
}

INSTANTIATE_TEST_SUITE_P(BothReaders, XhtmlText, ::testing::Values(Reader::Platform, Reader::Tolerant),
                         [](const auto& info) { return info.param == Reader::Platform ? "Platform" : "Tolerant"; });

TEST(TolerantText, ChaptersThatAreNotWellFormedStillRead) {
  const auto text = [](const std::string& page) {
    return testutil::WalkText(page, Reader::Tolerant, [](XmlReader& r, TextOut& out) { WalkXhtml(r, out); });
  };
  EXPECT_EQ(text("<html><body><P>一<p>二 & 三 &nbsp;<br>四<b>粗</p><li>甲<li>乙</ul><p>末 &copy"), "一\n二 & 三\n四粗\n甲\n乙\n末 &copy\n");
  EXPECT_EQ(text("<p title=\"a>b\">x < y</p><p>未完的<i"), "x < y\n未完的<i\n");
#ifndef DOCKLINE_NO_XML_LIBRARY
  // The platform reader refuses what the scan takes.
  PieceSource source("<p>a<b></p>");
  MarkupCleaner cleaner(source);
  const auto reader = OpenXmlReader(cleaner);
  EXPECT_THROW(while (reader->Next() != XmlReader::Event::Done) {}, XmlMalformed);
#endif
}

class DocxText : public ::testing::TestWithParam<Reader> {};

TEST_P(DocxText, ParagraphsRunsTablesNotesAndRuby) {
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
      "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
      "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><w:body>"
      "<w:p><w:pPr><w:pStyle w:val=\"1\"/><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
      "<w:r><w:t>第一章</w:t></w:r></w:p>"
      "<w:p><w:r><w:t xml:space=\"preserve\">甲 </w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>乙</w:t><w:tab/>"
      "<w:t>丙</w:t><w:br/><w:t>丁</w:t></w:r>"
      "<w:r><w:footnoteReference w:id=\"2\"/></w:r><w:del><w:r><w:delText>删</w:delText></w:r></w:del>"
      "<w:r><w:instrText>PAGE</w:instrText></w:r><w:r><w:rPr><w:vanish/></w:rPr><w:t>藏</w:t></w:r>"
      "<w:r><w:drawing><wp:inline><wp:docPr id=\"1\" name=\"p\" descr=\"一只猫\"/></wp:inline></w:drawing></w:r></w:p>"
      "<w:tbl><w:tblPr/><w:tr><w:tc><w:p><w:r><w:t>名</w:t></w:r></w:p><w:p><w:r><w:t>字</w:t></w:r></w:p></w:tc>"
      "<w:tc><w:p><w:r><w:t>年龄</w:t></w:r><w:r><w:endnoteReference w:id=\"1\"/></w:r></w:p></w:tc></w:tr></w:tbl>"
      "<w:p><w:r><w:ruby><w:rubyPr/><w:rt><w:r><w:t>hàn</w:t></w:r></w:rt><w:rubyBase><w:r><w:t>汉</w:t></w:r>"
      "</w:rubyBase></w:ruby></w:r><w:r><mc:AlternateContent><mc:Choice><w:t>选</w:t></mc:Choice>"
      "<mc:Fallback><w:t>备</w:t></mc:Fallback></mc:AlternateContent></w:r></w:p>"
      "<w:sectPr><w:pgSz/></w:sectPr></w:body></w:document>";
  const DocxNotes footnotes{{"2", "脚注的话"}}, endnotes{{"1", "尾注"}};
  const std::vector<std::string> headings{"1"};
  EXPECT_EQ(testutil::WalkText(document, GetParam(),
                               [&](XmlReader& r, TextOut& out) { WalkDocx(r, out, headings, footnotes, endnotes); }),
            "第一章\n甲 乙\t丙\n丁[1]一只猫\n[1] 脚注的话\n名 字 | 年龄[2]\n[2] 尾注\n汉(hàn)选\n");
}

TEST_P(DocxText, NotesAndHeadingStylesAreReadFromTheirParts) {
  const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
  DocxNotes notes;
  PieceSource notesSource("<w:footnotes " + w + "><w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/>"
                          "</w:r></w:p></w:footnote><w:footnote w:id=\"1\"><w:p><w:r><w:footnoteRef/></w:r><w:r>"
                          "<w:t xml:space=\"preserve\"> 第一段</w:t></w:r></w:p><w:p><w:r><w:t>第二段</w:t></w:r></w:p>"
                          "</w:footnote></w:footnotes>");
  MarkupCleaner notesCleaner(notesSource);
  const auto notesReader = GetParam() == Reader::Platform ? OpenXmlReader(notesCleaner) : OpenTolerantReader(notesCleaner);
  ReadDocxNotes(*notesReader, notes, 1000);
  EXPECT_EQ(notes, (DocxNotes{{"1", "第一段 第二段"}}));

  PieceSource stylesSource("<w:styles " + w + "><w:style w:type=\"paragraph\" w:styleId=\"1\"><w:name w:val=\"heading 1\"/>"
                           "</w:style><w:style w:styleId=\"Body\"><w:name w:val=\"Body Text\"/></w:style>"
                           "<w:style w:styleId=\"a5\"><w:name w:val=\"章节\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr>"
                           "</w:style></w:styles>");
  MarkupCleaner stylesCleaner(stylesSource);
  const auto stylesReader = GetParam() == Reader::Platform ? OpenXmlReader(stylesCleaner) : OpenTolerantReader(stylesCleaner);
  EXPECT_EQ(ReadDocxHeadingStyles(*stylesReader), (std::vector<std::string>{"1", "a5"}));
}

INSTANTIATE_TEST_SUITE_P(BothReaders, DocxText, ::testing::Values(Reader::Platform, Reader::Tolerant),
                         [](const auto& info) { return info.param == Reader::Platform ? "Platform" : "Tolerant"; });

}  // namespace
}  // namespace dockline::convert
