#include "download/row_preview.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "convert/device_picture.h"
#include "download/category_table.h"
#include "download/file_conversion.h"
#include "test_support.h"

namespace dockline::download {
namespace {

using testing::G;

FileEntry Row(int category, const std::string& path) {
  return {true, 1, std::string(platform::FileNamePart(path)), category + 1, path};
}

// What the download would make a picture or a text of, and the device's
// picture files and texts.
TEST(RowPreview, RowsThatBecomePicturesOrTextsOpenTheirKindOfPreview) {
  using K = PreviewKind;
  struct Case {
    int category;
    const char* name;
    bool onDevice;
    K kind;
  };
  const Case cases[] = {
      {8, "照片.JPG", false, K::Picture}, {8, "扫描.tiff", false, K::Picture}, {3, "字典.BMP", false, K::Picture},
      {3, "照片.jpg", false, K::None},  // copied as it is in that category
      {0, "歌.mp3", false, K::None},      {2, "书.txt", false, K::Text},      {2, "书.EPUB", false, K::Text},
      {2, "报告.docx", false, K::Text},   {2, "页.html", false, K::Text},
      {0, "歌.lrc", false, K::None},  // lyrics are read with their song
      {8, "照片.ych", true, K::Picture},  {8, "旧.YCH", true, K::Picture},    {2, "书.TXT", true, K::Text},
      {0, "歌.mp3", true, K::None},       {8, "照片.jpg", true, K::None},
  };
  for (const Case& c : cases) {
    const FileEntry entry = Row(c.category, std::string(c.onDevice ? "G:\\系统\\" : "C:\\资料\\") + c.name);
    EXPECT_EQ(PreviewKindOf(entry, c.onDevice), c.kind) << c.name << (c.onDevice ? " on the device" : "");
  }
}

TEST(RowPreview, SizesReadAsTheUserReadsThem) {
  EXPECT_EQ(PreviewSizeText(320, 240, 19215), "320 × 240，在U盘上占 19,215 字节");
  EXPECT_EQ(PreviewTextInfo({"", 1234567, 0}), "在U盘上占 1,234,567 字节");
  EXPECT_EQ(PreviewTextInfo({"", 20, 3}), "在U盘上占 20 字节，其中3个字符GBK没有，已换成“?”");
  EXPECT_EQ(GroupedDigits(999), "999");
  EXPECT_EQ(GroupedDigits(1000), "1,000");
  EXPECT_EQ(GroupedDigits(18446744073709551615ull), "18,446,744,073,709,551,615");
}

class PreviewRow : public testing::ScratchFolder {};

// A file the download would make nothing of says so in the download's own
// words, the source's faults first; a picture file shows as it is.
TEST_F(PreviewRow, SaysWhatTheDownloadWouldSayOrShowsThePicture) {
  const std::string empty = Path("空.jpg"), gone = Path("没了.jpg"), noise = Path("乱.jpg"), cut = Path("断.ych");
  const std::string fake = Path("假.epub");
  Write(empty, "");
  Write(noise, std::string(100, '\x5a'));
  Write(cut, std::string(convert::kPictureMagic) + std::string("\x40\x01\xf0\x00\xff", 5));
  Write(fake, "no archive");
  const std::pair<RowPreview, std::string> failures[] = {
      {PreviewRowFile(Row(kPictureCategory, empty), false), std::string(kEmptySourceText)},
      {PreviewRowFile(Row(kPictureCategory, gone), false), std::string(kUnreadableSourceText)},
      {PreviewRowFile(Row(kPictureCategory, noise), false),
       convert::PictureFileErrorText(convert::kPictureNotConvertible, noise)},
      {PreviewRowFile(Row(kPictureCategory, cut), true), convert::PictureFileErrorText(convert::kPictureDamaged, cut)},
      {PreviewRowFile(Row(kBookCategory, fake), false), fake + "不是EPUB电子书或Word文档（.docx），无法转换。"},
  };
  for (const auto& [preview, words] : failures) EXPECT_EQ(preview.failure, words);

  const std::string made = Path("图.ych");
  const platform::Bytes picture = convert::EncodePicture({5, 2, {0, 1, 2, 3, 3, 3, 2, 1, 0, 0}});
  Write(made, std::string(picture.begin(), picture.end()));
  const RowPreview shown = PreviewRowFile(Row(kPictureCategory, made), true);
  EXPECT_EQ(shown.failure, "");
  EXPECT_EQ(shown.picture.picture.levels, (std::vector<std::uint8_t>{0, 1, 2, 3, 3, 3, 2, 1, 0, 0}));
  EXPECT_EQ(shown.picture.deviceBytes, 19u);
}

// A book longer than the preview shows the start of the device's text,
// never half a character, with the whole text's size and its '?', and
// leaves nothing in the temporary folder; a device text's lone line feeds
// are shown as line ends.
TEST_F(PreviewRow, ABookShowsTheStartOfItsTextWithTheWholeTextsSizeAndQuestionMarks) {
  const std::string temp = Path("临时");
  ASSERT_TRUE(platform::MakeDirectory(temp));
  // Lines of a known length, so that "中" lies across the preview's end:
  // the title's 16 bytes and 1167 lines of 7 before it.
  std::vector<std::string> paragraphs{"雪人☃!"};
  std::string expected = "长篇\r\n\r\n雪人?!\r\n";
  for (int i = 0; i < 2000; ++i) {
    char line[8];
    std::snprintf(line, sizeof line, "p%04d", i);
    paragraphs.push_back(i == 1167 ? "xxxxxx中" : line);
    expected += paragraphs.back() + "\r\n";
  }
  const std::string book = Path("长篇.epub");
  Write(book, testing::Epub("长篇", paragraphs));
  const RowPreview preview = PreviewRowFile(Row(kBookCategory, book), false, temp);
  ASSERT_EQ(preview.failure, "");
  EXPECT_EQ(preview.kind, PreviewKind::Text);
  EXPECT_EQ(preview.text.deviceBytes, G(expected).size());
  EXPECT_EQ(preview.text.replaced, 1u);
  // The cut falls inside a two-byte character: it is left out whole.
  const std::string shown = G(preview.text.start);
  EXPECT_EQ(shown, G(expected).substr(0, shown.size()));
  EXPECT_EQ(shown.size(), kPreviewTextBytes - 1);
  EXPECT_EQ(platform::FindFiles(platform::JoinPath(temp, "*")).size(), 0u);

  const std::string onDevice = Path("书.txt");
  Write(onDevice, G("一\n二\r\n三\r"));
  const RowPreview text = PreviewRowFile(Row(kBookCategory, onDevice), true);
  EXPECT_EQ(text.text.start, "一\r\n二\r\n三\r\n");
  EXPECT_EQ(text.text.deviceBytes, 10u);
}

}  // namespace
}  // namespace dockline::download
