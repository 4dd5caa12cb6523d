// Books pandoc made from one Markdown text (tests/cli/books_test.sh makes
// them and the lines their text must give, then runs this test): each
// converted book must read as that text, line for line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "convert/book_file.h"
#include "platform/file_system.h"
#ifdef _WIN32
#include "platform/win32/wide.h"
#endif
#include "text/encoding.h"

namespace dockline::convert {
namespace {

std::vector<std::string> SplitLines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t next; (next = text.find(end, at)) != std::string::npos; at = next + end.size())
    lines.push_back(text.substr(at, next - at));
  if (at < text.size()) lines.push_back(text.substr(at));
  return lines;
}

// The folder the script made, named in Chinese: on Windows the narrow
// environment is in the system's code page, so it is read wide.
std::string BooksFolder() {
#ifdef _WIN32
  const wchar_t* folder = _wgetenv(L"DOCKLINE_PANDOC_BOOKS");
  return folder ? platform::Narrow(folder) : std::string();
#else
  const char* folder = std::getenv("DOCKLINE_PANDOC_BOOKS");
  return folder ? folder : std::string();
#endif
}

TEST(PandocBooks, EachBookReadsAsItsMarkdownText) {
  const std::string folder = BooksFolder();
  if (folder.empty()) GTEST_SKIP() << "tests/cli/books_test.sh makes the books with pandoc and runs this test";
  platform::Bytes bytes;
  ASSERT_TRUE(platform::ReadWholeFile(platform::JoinPath(folder, "expected.txt"), bytes));
  const std::vector<std::string> expected = SplitLines(std::string(bytes.begin(), bytes.end()), "\n");
  // List and note markers differ by writer and by format (·, 1., [1]); the text after them may not.
  const std::regex marker("^(\xC2\xB7 |[0-9]+\\. |\\[[0-9]+\\] )");
  for (const char* name : {"book-epub2.epub", "book-epub3.epub", "book-docx.docx"}) {
    SCOPED_TRACE(name);
    const std::string source = platform::JoinPath(folder, name), text = source + ".txt";
    const BookFileResult result = ConvertBookFile(source, text);
    ASSERT_EQ(result.status, BookFileResult::Converted) << BookFileErrorText(result, source);
    EXPECT_EQ(result.replaced, 0u);
    ASSERT_TRUE(platform::ReadWholeFile(text, bytes));
    const std::string gbk(bytes.begin(), bytes.end());
    EXPECT_EQ(SplitLines(gbk, "\n").size(), SplitLines(gbk, "\r\n").size()) << "a line ends without CR";
    const std::vector<std::string> lines = SplitLines(text::GbkToUtf8(gbk), "\r\n");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "") << "the title and author are followed by an empty line";
    std::vector<std::string> got;
    for (const std::string& line : lines)
      if (!line.empty()) got.push_back(std::regex_replace(line, marker, ""));
    EXPECT_EQ(got, expected);
  }
}

}  // namespace
}  // namespace dockline::convert
