// Whole books: EPUB 2 and 3 packages and Word documents put together here
// from their parts, their text compared with what the parts say; the
// refusals, the limits and the files a conversion leaves.
#include <gtest/gtest.h>

#include <fstream>
#include <stop_token>

#include "book_support.h"
#include "platform/file_system.h"
#include "test_support.h"

namespace dockline::convert {
namespace {

using testutil::BookText;
using testutil::MakeEpub;
using testutil::XhtmlPage;

std::string Package(const std::string& metadata, const std::string& manifest, const std::string& spine,
                    const std::string& version = "3.0") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"" + version +
         "\"><metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">" + metadata + "</metadata><manifest>" + manifest +
         "</manifest><spine>" + spine + "</spine></package>";
}

std::string Item(const std::string& id, const std::string& href, const std::string& type = "application/xhtml+xml") {
  return "<item id=\"" + id + "\" href=\"" + href + "\" media-type=\"" + type + "\"/>";
}

TEST(EpubBook, ChaptersFollowTheSpineWithPathsFromThePackagesFolder) {
  const std::string opf = Package("<dc:title> 红楼梦 </dc:title><dc:creator>曹雪芹</dc:creator><dc:creator>高鹗</dc:creator>",
                                  Item("c2", "Text/第%20二.xhtml") + Item("c1", "./Text/../Text/one.xhtml") +
                                      Item("notes", "../notes.html", "text/html") + Item("pic", "i.png", "image/png") +
                                      Item("ncx", "toc.ncx", "application/x-dtbncx+xml"),
                                  "<itemref idref=\"c1\"/><itemref idref=\"pic\"/><itemref idref=\"notes\" linear=\"no\"/>"
                                  "<itemref idref=\"missing\"/><itemref idref=\"c2\"/>");
  const std::string book = MakeEpub("OEBPS/content.opf", {{"OEBPS/content.opf", opf},
                                                          {"OEBPS/Text/one.xhtml", XhtmlPage("<h1>第一回</h1><p>甄士隐</p>")},
                                                          {"OEBPS/Text/第 二.xhtml", XhtmlPage("<h1>第二回</h1>")},
                                                          {"notes.html", XhtmlPage("<p>注</p>")},
                                                          {"OEBPS/i.png", "\x89PNG"}});
  EXPECT_EQ(BookText(book), "红楼梦\n曹雪芹、高鹗\n\n第一回\n甄士隐\n\n注\n\n第二回\n");
}

TEST(EpubBook, Epub2InUtf16AndGbkWithADoctypeAndNoTitle) {
  // EPUB 2's XHTML 1.1 doctype names a DTD that is never fetched; its
  // entities still read. Without a title the file's name stands for it.
  const std::string page = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" "
                           "\"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\"><html xmlns=\"http://www.w3.org/1999/xhtml\">"
                           "<body><p>你好&nbsp;&mdash;&#x4E16;界</p></body></html>";
  const std::u16string wide = u"\uFEFF" + text::Utf8ToUtf16(page);  // little-endian, as on every machine here
  const std::string utf16(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  const std::string gbk = "<?xml version=\"1.0\" encoding=\"GBK\"?><html><body><p>" + text::Utf8ToGbk("简体中文") +
                          "</p></body></html>";
  const std::string opf = Package("", Item("a", "a.xhtml") + Item("b", "b.xhtml"),
                                  "<itemref idref=\"a\"/><itemref idref=\"b\"/>", "2.0");
  const std::string book = MakeEpub("content.opf", {{"content.opf", opf}, {"a.xhtml", utf16}, {"b.xhtml", gbk}});
  EXPECT_EQ(BookText(book, nullptr, "书名"), "书名\n\n你好 —世界\n\n简体中文\n");
}

TEST(EpubBook, AChapterThatIsNotWellFormedIsReadByTheTolerantScanOnce) {
  // The reader meets the fault after "坏章前文": that text must not come twice.
  const std::string bad = XhtmlPage("<p>坏章前文</p>" + std::string(70000, ' ') + "<p>a<b>交错</p></b><p>后文");
  const std::string opf = Package("<dc:title>书</dc:title>", Item("a", "a.xhtml") + Item("b", "b.xhtml") + Item("c", "c.xhtml"),
                                  "<itemref idref=\"a\"/><itemref idref=\"b\"/><itemref idref=\"c\"/>");
  const std::string book = MakeEpub("p.opf", {{"p.opf", opf}, {"a.xhtml", XhtmlPage("<p>一</p>")}, {"b.xhtml", bad},
                                              {"c.xhtml", XhtmlPage("<p>三</p>")}});
  EXPECT_EQ(BookText(book), "书\n\n一\n\n坏章前文\na交错\n后文\n\n三\n");
}

TEST(EpubBook, DrmRefusesButFontObfuscationConverts) {
  const std::string opf = Package("<dc:title>书</dc:title>", Item("a", "Text/a.xhtml") + Item("f", "Fonts/f.ttf", "font/ttf"),
                                  "<itemref idref=\"a\"/>");
  const auto encryption = [](const std::string& uri, const std::string& algorithm) {
    return "<encryption xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" "
           "xmlns:enc=\"http://www.w3.org/2001/04/xmlenc#\"><enc:EncryptedData><enc:EncryptionMethod Algorithm=\"" +
           algorithm + "\"/><enc:CipherData><enc:CipherReference URI=\"" + uri +
           "\"/></enc:CipherData></enc:EncryptedData></encryption>";
  };
  const auto convert = [&](const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::pair<std::string, std::string>> files{
        {"OPS/p.opf", opf}, {"OPS/Text/a.xhtml", XhtmlPage("<p>正文</p>")}, {"OPS/Fonts/f.ttf", "font"}};
    files.insert(files.end(), extra.begin(), extra.end());
    BookFileResult result;
    BookText(MakeEpub("OPS/p.opf", files), &result);
    return result;
  };
  const std::string aes = "http://www.w3.org/2001/04/xmlenc#aes128-cbc";
  for (const char* obfuscation : {"http://www.idpf.org/2008/embedding", "http://ns.adobe.com/pdf/enc#RC"})
    EXPECT_EQ(convert({{"META-INF/encryption.xml", encryption("OPS/Fonts/f.ttf", obfuscation)}}).status,
              BookFileResult::Converted);
  EXPECT_EQ(convert({{"META-INF/encryption.xml", encryption("OPS/Fonts/f.ttf", aes)}}).status, BookFileResult::Converted);
  for (const auto& extra : std::vector<std::vector<std::pair<std::string, std::string>>>{
           {{"META-INF/encryption.xml", encryption("OPS/Text/a.xhtml", aes)}},
           {{"META-INF/encryption.xml", encryption("OPS/Text/a.xhtml", "http://ns.adobe.com/pdf/enc#RC")},
            {"META-INF/rights.xml", "<adept:rights xmlns:adept=\"http://ns.adobe.com/adept\"/>"}}}) {
    const BookFileResult result = convert(extra);
    EXPECT_EQ(result.status, BookFileResult::Refused);
    EXPECT_EQ(result.problem, BookProblem::Protected);
    EXPECT_NE(BookFileErrorText(result, "书.epub").find("DRM"), std::string::npos);
  }
}

TEST(DocxBook, TitleAuthorNotesAndHeadingsFromTheirParts) {
  const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
  const std::string book = testutil::BuildZip({
      {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
      {"docProps/core.xml", "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
                            "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>讲义</dc:title><dc:creator>王老师</dc:creator>"
                            "</cp:coreProperties>"},
      {"word/styles.xml", "<w:styles " + w + "><w:style w:styleId=\"7\"><w:name w:val=\"heading 2\"/></w:style></w:styles>"},
      {"word/footnotes.xml", "<w:footnotes " + w + "><w:footnote w:id=\"3\"><w:p><w:r><w:t>注</w:t></w:r></w:p></w:footnote></w:footnotes>"},
      {"word/document.xml", "<w:document " + w + "><w:body><w:p><w:r><w:t>讲义</w:t></w:r></w:p><w:p><w:r><w:t>引言</w:t>"
                            "<w:footnoteReference w:id=\"3\"/></w:r></w:p><w:p><w:pPr><w:pStyle w:val=\"7\"/></w:pPr><w:r>"
                            "<w:t>第一课</w:t></w:r></w:p><w:p><w:r><w:t>课文</w:t></w:r></w:p></w:body></w:document>"},
  });
  // The document's own title line is not written twice.
  EXPECT_EQ(BookText(book), "讲义\n王老师\n\n引言[1]\n[1] 注\n\n第一课\n课文\n");
}

TEST(BookRefusals, EachFaultHasItsProblemAndSentence) {
  const std::string page = XhtmlPage("<p>x</p>");
  const std::string opf = Package("", Item("a", "a.xhtml"), "<itemref idref=\"a\"/>");
  const std::string good = MakeEpub("p.opf", {{"p.opf", opf}, {"a.xhtml", page}});
  struct Case {
    const char* what;
    std::string book;
    BookProblem problem;
  };
  const std::vector<Case> cases{
      {"not a ZIP", "just text, no archive at all", BookProblem::NotABook},
      {"a ZIP of something else", testutil::BuildZip({{"readme.txt", "hi"}}), BookProblem::NotABook},
      {"cut short", good.substr(0, good.size() / 2), BookProblem::Damaged},
      {"no container", testutil::BuildZip({{"mimetype", "application/epub+zip", false}, {"p.opf", opf}}),
       BookProblem::NoContainer},
      {"no package", MakeEpub("missing.opf", {{"a.xhtml", page}}), BookProblem::NoPackage},
      {"an empty spine", MakeEpub("p.opf", {{"p.opf", Package("", Item("a", "a.xhtml"), "")}, {"a.xhtml", page}}),
       BookProblem::EmptySpine},
      {"a spine of missing files", MakeEpub("p.opf", {{"p.opf", opf}}), BookProblem::EmptySpine},
      {"a Word document without its body", testutil::BuildZip({{"[Content_Types].xml", "<Types/>"}}), BookProblem::NotABook},
  };
  for (const Case& c : cases) {
    BookFileResult result;
    EXPECT_EQ(BookText(c.book, &result), "") << c.what;
    EXPECT_EQ(result.status, BookFileResult::Refused) << c.what;
    EXPECT_EQ(result.problem, c.problem) << c.what;
    EXPECT_NE(BookFileErrorText(result, "D:\\书\\坏.epub").find("D:\\书\\坏.epub"), std::string::npos) << c.what;
  }
}

TEST(BookLimits, ABombAndATooLongTextAreRefused) {
  // A container of 64 MiB of spaces deflates about a thousand times.
  BookFileResult result;
  BookText(testutil::BuildZip({{"mimetype", "application/epub+zip", false},
                               {"META-INF/container.xml", std::string(64u << 20, ' ') + "<container/>"}}),
           &result);
  EXPECT_EQ(result.status, BookFileResult::Refused);
  EXPECT_EQ(result.problem, BookProblem::Bomb);
  // Text past the limit, however it comes, ends the book. (Fed to the
  // writer itself: Wine's XmlLite would take minutes over 64 MiB.)
  testutil::DiscardingSink sink;
  BookWriter writer(sink);
  const std::string line(1000, 'x');
  const auto fill = [&] {
    for (std::uint64_t k = 0; k < kMaxBookText / line.size() + 1; ++k) {
      writer.Text(line);
      writer.EndBlock();
    }
  };
  EXPECT_THROW(fill(), BookFailure);
  EXPECT_LE(writer.Written(), kMaxBookText + line.size() + 2);
}

class BookFiles : public testutil::ScratchTest {};

TEST_F(BookFiles, AConversionWritesItsTextOrNothingAndPreviewsItsStart) {
  std::string chapters, bad;
  for (int k = 0; k < 400; ++k) chapters += "<p>第" + std::to_string(k) + "段，一些文字。</p>";
  // Far more text than the writer holds before its fault: the file itself is cut back.
  for (int k = 0; k < 8000; ++k) bad += "<p>第" + std::to_string(k) + "行，又一些文字。</p>";
  bad += "<p>a<b>x</p></b>";
  const std::string opf = Package("<dc:title>书</dc:title>", Item("a", "a.xhtml") + Item("b", "b.xhtml"),
                                  "<itemref idref=\"a\"/><itemref idref=\"b\"/>");
  const std::string source = Path("书.epub"), text = Path("书.txt");
  ASSERT_TRUE(platform::WriteWholeFile(
      source, testutil::AsBytes(MakeEpub("p.opf", {{"p.opf", opf}, {"a.xhtml", XhtmlPage(chapters)}, {"b.xhtml", XhtmlPage(bad)}}))));
  EXPECT_EQ(BookKindOf(source), BookKind::Epub);
  const BookFileResult result = ConvertBookFile(source, text);
  ASSERT_EQ(result.status, BookFileResult::Converted);
  platform::Bytes written;
  ASSERT_TRUE(platform::ReadWholeFile(text, written));
  const std::string whole(written.begin(), written.end());
  EXPECT_TRUE(whole.starts_with(text::Utf8ToGbk("书\r\n\r\n第0段，一些文字。\r\n第1段")));
  const std::string line = text::Utf8ToGbk("\r\n第0行，又一些文字。\r\n");
  EXPECT_NE(whole.find(line), std::string::npos);
  EXPECT_EQ(whole.find(line), whole.rfind(line)) << "the chapter read again must replace its first reading";
  EXPECT_TRUE(whole.ends_with(text::Utf8ToGbk("\r\nax\r\n")));

  std::string start;
  ASSERT_EQ(PreviewBookFile(source, 1001, start).status, BookFileResult::Converted);
  EXPECT_LE(start.size(), 1001u);
  EXPECT_GE(start.size(), 1000u);
  EXPECT_EQ(start, whole.substr(0, start.size()));

  // A stop, a refusal and an unreadable source leave no text behind.
  ASSERT_TRUE(platform::RemoveFile(text));
  std::stop_source stop;
  stop.request_stop();
  EXPECT_EQ(ConvertBookFile(source, text, stop.get_token()).status, BookFileResult::Stopped);
  EXPECT_FALSE(platform::FileExists(text));
  ASSERT_TRUE(platform::WriteWholeFile(source, testutil::AsBytes("PK\x03\x04 and nothing more")));
  EXPECT_EQ(ConvertBookFile(source, text).problem, BookProblem::Damaged);
  EXPECT_FALSE(platform::FileExists(text));
  EXPECT_EQ(BookKindOf(source), BookKind::None);
  const BookFileResult missing = ConvertBookFile(Path("无.epub"), text);
  EXPECT_EQ(missing.status, BookFileResult::Unreadable);
  EXPECT_NE(missing.error, 0u);
  EXPECT_FALSE(platform::FileExists(text));
}

}  // namespace
}  // namespace dockline::convert
