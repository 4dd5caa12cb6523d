#include "convert/book_file.h"

#include <algorithm>
#include <functional>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "convert/book_walker.h"
#include "convert/markup_cleaner.h"
#include "convert/text_file_sink.h"
#include "convert/xml_reader.h"
#include "convert/zip_archive.h"
#include "platform/file_system.h"
#include "platform/read_only_file.h"
#include "text/encoding.h"

namespace dockline::convert {
namespace {

// A Word document's notes are held until their paragraph is written.
constexpr std::size_t kMaxNotesText = 16u << 20;
// A title, an author, a path in a package document: short things.
constexpr std::size_t kMaxShortText = 4096;
constexpr std::size_t kMaxPackageItems = kMaxZipEntries;

// Algorithms that only scramble embedded fonts: such a book still reads.
constexpr std::string_view kFontObfuscations[] = {"http://www.idpf.org/2008/embedding", "http://ns.adobe.com/pdf/enc#RC"};

[[noreturn]] void Fail(BookProblem problem) { throw BookFailure(problem); }

struct Context {
  std::stop_token stop;
  std::uint64_t budget = kMaxInflatedBook;  // bytes the book may still inflate
};

// Reads `entry` as XML through `walk`. A document that is not well-formed
// is read again by the tolerant scan, after `again` has undone what the
// first walk did, so that one bad chapter does not lose the book.
void ReadXml(const ZipArchive& zip, const ZipEntry& entry, Context& context,
             const std::function<void(XmlReader&)>& walk, const std::function<void()>& again) {
  {
    const auto source = zip.Open(entry, context.stop, &context.budget);
    MarkupCleaner cleaner(*source);
    const auto reader = OpenXmlReader(cleaner);
    try {
      walk(*reader);
      return;
    } catch (const XmlMalformed&) {
    }
  }
  again();
  const auto source = zip.Open(entry, context.stop, &context.budget);
  MarkupCleaner cleaner(*source);
  const auto reader = OpenTolerantReader(cleaner);
  walk(*reader);
}

// Calls `start`, `text` and `end` for every event of a small document.
template <class Start, class Text, class End>
void ForEachEvent(XmlReader& r, Start&& start, Text&& text, End&& end) {
  for (;;) {
    switch (r.Next()) {
      case XmlReader::Event::Start: start(r); break;
      case XmlReader::Event::Text: text(r); break;
      case XmlReader::Event::End: end(r); break;
      case XmlReader::Event::Done: return;
    }
  }
}

std::string Trimmed(std::string_view s) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  std::string out;
  bool gap = false;
  for (const char c : s) {  // inner runs of white space become one space
    if (space(c)) {
      gap = true;
      continue;
    }
    if (gap) out.push_back(' ');
    gap = false;
    out.push_back(c);
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// `href` (a URL, relative to `folder`, which ends with '/' or is empty) as
// an archive entry's name: the fragment dropped, %XX decoded, "." and ".."
// taken out.
std::string ResolvePath(std::string_view folder, std::string_view href, bool url = true) {
  if (url) href = href.substr(0, href.find('#'));
  std::string decoded;
  for (std::size_t i = 0; i < href.size(); ++i) {
    if (url && href[i] == '%' && i + 2 < href.size() && HexValue(href[i + 1]) >= 0 &&
        HexValue(href[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(HexValue(href[i + 1]) * 16 + HexValue(href[i + 2])));
      i += 2;
    } else {
      decoded.push_back(href[i]);
    }
  }
  const std::string joined = !decoded.empty() && decoded[0] == '/' ? decoded : std::string(folder) + decoded;
  std::vector<std::string_view> parts;
  std::string_view rest = joined;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string path;
  for (const std::string_view part : parts) {
    if (!path.empty()) path.push_back('/');
    path.append(part);
  }
  return path;
}

BookKind KindOf(const ZipArchive& zip, Context& context) {
  if (const ZipEntry* mimetype = zip.Find("mimetype"); mimetype && mimetype->size <= 256 && !mimetype->Encrypted()) {
    if (Trimmed(zip.ReadSmall(*mimetype, 256, context.stop)) == "application/epub+zip") return BookKind::Epub;
  }
  if (zip.Find("META-INF/container.xml")) return BookKind::Epub;
  if (zip.Find("[Content_Types].xml") && zip.Find("word/document.xml")) return BookKind::Docx;
  return BookKind::None;
}

struct Book {
  std::string title;
  std::string author;
  std::vector<const ZipEntry*> documents;  // EPUB: the spine's content documents
};

// The package document the container names.
std::string PackagePath(const ZipArchive& zip, Context& context) {
  const ZipEntry* container = zip.Find("META-INF/container.xml");
  if (!container) Fail(BookProblem::NoContainer);
  std::string path;
  ReadXml(
      zip, *container, context,
      [&](XmlReader& r) {
        ForEachEvent(
            r,
            [&](XmlReader& e) {
              const std::string_view type = e.Attribute("media-type");
              if (e.Local() == "rootfile" && path.empty() && (type.empty() || type == "application/oebps-package+xml"))
                path = ResolvePath("", e.Attribute("full-path").substr(0, kMaxShortText), false);
            },
            [](XmlReader&) {}, [](XmlReader&) {});
      },
      [&] { path.clear(); });
  if (path.empty()) Fail(BookProblem::NoContainer);
  return path;
}

bool IsContentDocument(std::string_view type, std::string_view path) {
  if (type == "application/xhtml+xml" || type == "text/html" || type == "application/x-dtbook+xml") return true;
  return type.empty() && (text::EndsWithIgnoreAsciiCase(path, ".xhtml") || text::EndsWithIgnoreAsciiCase(path, ".html") ||
                          text::EndsWithIgnoreAsciiCase(path, ".htm"));
}

// DRM: content documents listed in META-INF/encryption.xml under an
// algorithm that is not mere font obfuscation, or listed at all beside an
// Adobe rights.xml.
void CheckProtection(const ZipArchive& zip, Context& context, const std::vector<const ZipEntry*>& documents) {
  const ZipEntry* encryption = zip.Find("META-INF/encryption.xml");
  if (!encryption) return;
  const bool rights = zip.Find("META-INF/rights.xml") != nullptr;
  std::vector<std::pair<std::string, std::string>> encrypted;  // path, algorithm
  std::string algorithm, uri;
  ReadXml(
      zip, *encryption, context,
      [&](XmlReader& r) {
        ForEachEvent(
            r,
            [&](XmlReader& e) {
              if (e.Local() == "EncryptedData") {
                algorithm.clear();
                uri.clear();
              } else if (e.Local() == "EncryptionMethod") {
                algorithm.assign(e.Attribute("Algorithm").substr(0, kMaxShortText));
              } else if (e.Local() == "CipherReference") {
                uri.assign(e.Attribute("URI").substr(0, kMaxShortText));
              }
            },
            [](XmlReader&) {},
            [&](XmlReader& e) {
              if (e.Local() == "EncryptedData" && encrypted.size() < kMaxPackageItems)
                encrypted.emplace_back(ResolvePath("", uri), algorithm);
            });
      },
      [&] { encrypted.clear(); });
  std::unordered_set<const ZipEntry*> reading(documents.begin(), documents.end());
  for (const auto& [path, method] : encrypted) {
    const bool obfuscation = std::find(std::begin(kFontObfuscations), std::end(kFontObfuscations), method) !=
                             std::end(kFontObfuscations);
    if (obfuscation && !rights) continue;
    if (reading.count(zip.Find(path))) Fail(BookProblem::Protected);
  }
}

Book ReadEpub(const ZipArchive& zip, Context& context) {
  const std::string packagePath = PackagePath(zip, context);
  const ZipEntry* package = zip.Find(packagePath);
  if (!package) Fail(BookProblem::NoPackage);
  const std::string folder = packagePath.substr(0, packagePath.rfind('/') + 1);
  struct Item {
    std::string path;
    std::string type;
  };
  std::unordered_map<std::string, Item> manifest;
  std::vector<std::string> spine;
  Book book;
  std::vector<std::string> creators;
  ReadXml(
      zip, *package, context,
      [&](XmlReader& r) {
        int metadata = 0;
        std::string* capture = nullptr;
        std::string captured;
        ForEachEvent(
            r,
            [&](XmlReader& e) {
              const std::string_view name = e.Local();
              if (name == "metadata") {
                ++metadata;
              } else if (metadata > 0 && !capture && ((name == "title" && book.title.empty()) || name == "creator")) {
                captured.clear();
                capture = name == "title" ? &book.title : &creators.emplace_back();
              } else if (name == "item" && manifest.size() < kMaxPackageItems) {
                manifest.emplace(e.Attribute("id"),
                                 Item{ResolvePath(folder, e.Attribute("href").substr(0, kMaxShortText)),
                                      std::string(e.Attribute("media-type").substr(0, kMaxShortText))});
              } else if (name == "itemref" && spine.size() < kMaxPackageItems) {
                spine.emplace_back(e.Attribute("idref").substr(0, kMaxShortText));
              }
            },
            [&](XmlReader& e) {
              if (capture && captured.size() < kMaxShortText) captured.append(e.Text().substr(0, kMaxShortText));
            },
            [&](XmlReader& e) {
              if (e.Local() == "metadata") --metadata;
              if (capture && (e.Local() == "title" || e.Local() == "creator")) {
                *capture = Trimmed(captured);
                capture = nullptr;
              }
            });
      },
      [&] {
        manifest.clear();
        spine.clear();
        book.title.clear();
        creators.clear();
      });
  for (const std::string& creator : creators) {
    if (creator.empty()) continue;
    if (!book.author.empty()) book.author.append("\xE3\x80\x81");  // 、
    book.author.append(creator);
  }
  for (const std::string& idref : spine) {
    const auto item = manifest.find(idref);
    if (item == manifest.end() || !IsContentDocument(item->second.type, item->second.path)) continue;
    if (const ZipEntry* entry = zip.Find(item->second.path)) book.documents.push_back(entry);
  }
  if (book.documents.empty()) Fail(BookProblem::EmptySpine);
  CheckProtection(zip, context, book.documents);
  return book;
}

void ReadOptional(const ZipArchive& zip, std::string_view name, Context& context,
                  const std::function<void(XmlReader&)>& walk, const std::function<void()>& again) {
  if (const ZipEntry* entry = zip.Find(name)) ReadXml(zip, *entry, context, walk, again);
}

// Title and author from docProps/core.xml.
void ReadDocxProperties(const ZipArchive& zip, Context& context, Book& book) {
  ReadOptional(
      zip, "docProps/core.xml", context,
      [&](XmlReader& r) {
        std::string* capture = nullptr;
        std::string captured;
        ForEachEvent(
            r,
            [&](XmlReader& e) {
              if (!capture && (e.Local() == "title" || e.Local() == "creator")) {
                captured.clear();
                capture = e.Local() == "title" ? &book.title : &book.author;
              }
            },
            [&](XmlReader& e) {
              if (capture && captured.size() < kMaxShortText) captured.append(e.Text().substr(0, kMaxShortText));
            },
            [&](XmlReader&) {
              if (capture) *capture = Trimmed(captured);
              capture = nullptr;
            });
      },
      [&] { book.title.clear(), book.author.clear(); });
}

void WriteHeader(BookWriter& writer, const Book& book, const std::string& name) {
  const std::string& title = book.title.empty() ? name : book.title;
  writer.Text(title);
  writer.EndBlock();
  writer.Text(book.author);
  writer.EndBlock();
  writer.Gap();
  std::vector<std::string> lines;
  if (!title.empty()) lines.push_back(Trimmed(title));
  if (!book.author.empty()) lines.push_back(Trimmed(book.author));
  writer.SkipRepeated(std::move(lines));
}

// The whole conversion; `openSink` is called once everything that could
// refuse the book before its text has been checked.
std::size_t Convert(const ZipArchive& zip, Context& context, const std::string& name,
                    const std::function<TextSink&()>& openSink) {
  switch (KindOf(zip, context)) {
    case BookKind::None: Fail(BookProblem::NotABook);
    case BookKind::Epub: {
      const Book book = ReadEpub(zip, context);
      BookWriter writer(openSink());
      WriteHeader(writer, book, name);
      for (const ZipEntry* document : book.documents) {
        writer.Gap();
        const BookWriter::Checkpoint mark = writer.Mark();
        ReadXml(zip, *document, context, [&](XmlReader& r) { WalkXhtml(r, writer); }, [&] { writer.Rewind(mark); });
      }
      writer.Finish();
      return writer.Replaced();
    }
    case BookKind::Docx: {
      const ZipEntry* document = zip.Find("word/document.xml");
      if (!document) Fail(BookProblem::EmptySpine);
      if (document->Encrypted()) Fail(BookProblem::Protected);
      Book book;
      ReadDocxProperties(zip, context, book);
      std::vector<std::string> headings;
      ReadOptional(zip, "word/styles.xml", context, [&](XmlReader& r) { headings = ReadDocxHeadingStyles(r); },
                   [&] { headings.clear(); });
      DocxNotes footnotes, endnotes;
      ReadOptional(zip, "word/footnotes.xml", context, [&](XmlReader& r) { ReadDocxNotes(r, footnotes, kMaxNotesText); },
                   [&] { footnotes.clear(); });
      ReadOptional(zip, "word/endnotes.xml", context, [&](XmlReader& r) { ReadDocxNotes(r, endnotes, kMaxNotesText); },
                   [&] { endnotes.clear(); });
      BookWriter writer(openSink());
      WriteHeader(writer, book, name);
      const BookWriter::Checkpoint mark = writer.Mark();
      ReadXml(zip, *document, context, [&](XmlReader& r) { WalkDocx(r, writer, headings, footnotes, endnotes); },
              [&] { writer.Rewind(mark); });
      writer.Finish();
      return writer.Replaced();
    }
  }
  Fail(BookProblem::NotABook);
}

// Runs `body`, turning what it throws into a result.
BookFileResult Outcome(const std::function<std::size_t()>& body) {
  BookFileResult result;
  try {
    result.replaced = body();
  } catch (const EnoughText&) {
    result.status = BookFileResult::Converted;
  } catch (const BookFailure& failure) {
    result.problem = failure.Problem();
    result.error = failure.SystemError();
    switch (failure.Problem()) {
      case BookProblem::Stopped: result.status = BookFileResult::Stopped; break;
      case BookProblem::ReadFailed: result.status = BookFileResult::Unreadable; break;
      case BookProblem::WriteFailed: result.status = BookFileResult::NotWritten; break;
      default: result.status = BookFileResult::Refused; break;
    }
  } catch (const std::bad_alloc&) {
    result.status = BookFileResult::Refused;
    result.problem = BookProblem::TooMuchText;
  }
  return result;
}

// "D:\书\红楼梦.epub" → "红楼梦".
std::string NameOf(const std::string& path) {
  const std::string_view file = platform::FileNamePart(path);
  const std::size_t dot = file.rfind('.');
  return std::string(dot == std::string_view::npos || dot == 0 ? file : file.substr(0, dot));
}

}  // namespace

BookKind BookKindOf(const std::string& path) {
  platform::ReadOnlyFile file;
  if (file.Open(path) != 0) return BookKind::None;
  try {
    FileZipInput input(file);
    ZipArchive zip(input);
    Context context;
    return KindOf(zip, context);
  } catch (const BookFailure&) {
    return BookKind::None;
  } catch (const std::bad_alloc&) {
    return BookKind::None;
  }
}

namespace {

BookFileResult UnreadableBook(std::uint32_t error) {
  BookFileResult result;
  result.status = BookFileResult::Unreadable;
  result.problem = BookProblem::ReadFailed;
  result.error = error;
  return result;
}

}  // namespace

BookFileResult ConvertBookFile(const std::string& sourcePath, const std::string& textPath, std::stop_token stop) {
  platform::ReadOnlyFile file;
  if (const std::uint32_t error = file.Open(sourcePath)) return UnreadableBook(error);
  FileZipInput input(file);
  TextFileSink sink;
  bool created = false;
  BookFileResult result = Outcome([&] {
    ZipArchive zip(input);
    Context context{stop};
    const std::size_t replaced = Convert(zip, context, NameOf(sourcePath), [&]() -> TextSink& {
      if (const std::uint32_t error = sink.Create(textPath)) throw BookFailure(BookProblem::WriteFailed, error);
      created = true;
      return sink;
    });
    if (const std::uint32_t error = sink.Close()) throw BookFailure(BookProblem::WriteFailed, error);
    return replaced;
  });
  if (result.status != BookFileResult::Converted && created) {
    sink.Close();
    platform::RemoveFile(textPath);
  }
  return result;
}

BookFileResult PreviewBookFile(const std::string& sourcePath, std::size_t maxBytes, std::string& text,
                               std::stop_token stop) {
  text.clear();
  platform::ReadOnlyFile file;
  if (const std::uint32_t error = file.Open(sourcePath)) return UnreadableBook(error);
  FileZipInput input(file);
  MemorySink sink(maxBytes);
  BookFileResult result = Outcome([&] {
    ZipArchive zip(input);
    Context context{stop};
    return Convert(zip, context, NameOf(sourcePath), [&]() -> TextSink& { return sink; });
  });
  if (result.status == BookFileResult::Converted)
    text = sink.Bytes().substr(0, text::GbkPrefixLength(sink.Bytes(), maxBytes));
  return result;
}

BookFileResult ConvertBookBytes(std::span<const std::uint8_t> book, TextSink& sink, const std::string& name,
                                std::stop_token stop) {
  MemoryZipInput input(book);
  return Outcome([&] {
    ZipArchive zip(input);
    Context context{stop};
    return Convert(zip, context, name, [&]() -> TextSink& { return sink; });
  });
}

std::string BookFileErrorText(const BookFileResult& result, const std::string& sourcePath) {
  switch (result.status) {
    case BookFileResult::Converted: return {};
    case BookFileResult::Stopped: return sourcePath + "的转换已停止。";
    case BookFileResult::Unreadable: return "无法读取" + sourcePath + "：" + platform::ErrorText(result.error);
    case BookFileResult::NotWritten:
      return sourcePath + "转换后的文本无法写入：" + platform::ErrorText(result.error);
    case BookFileResult::Refused: break;
  }
  switch (result.problem) {
    case BookProblem::NotABook: return sourcePath + "不是EPUB电子书或Word文档（.docx），无法转换。";
    case BookProblem::Damaged: return sourcePath + "已损坏或不完整，无法转换。";
    case BookProblem::Unsupported: return sourcePath + "使用了无法读取的压缩方式，无法转换。";
    case BookProblem::Protected: return sourcePath + "受DRM版权保护，无法转换。";
    case BookProblem::NoContainer: return sourcePath + "缺少电子书的目录文件（META-INF/container.xml），无法转换。";
    case BookProblem::NoPackage: return sourcePath + "缺少电子书的内容清单，无法转换。";
    case BookProblem::EmptySpine: return sourcePath + "里没有可以阅读的正文，无法转换。";
    case BookProblem::TooMuchText: return sourcePath + "的文字超过64MB，太长了，无法转换。";
    case BookProblem::Bomb: return sourcePath + "里的压缩内容大得异常，可能是恶意文件，无法转换。";
    case BookProblem::ReadFailed: return "无法读取" + sourcePath + "。";
    case BookProblem::WriteFailed: return sourcePath + "转换后的文本无法写入。";
    case BookProblem::Stopped: return sourcePath + "的转换已停止。";
  }
  return {};
}

}  // namespace dockline::convert
