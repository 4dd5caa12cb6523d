#include "download/picture_preview.h"

#include <gtest/gtest.h>

#include <string>

#include "convert/device_picture.h"
#include "download/file_conversion.h"
#include "test_support.h"

namespace dockline::download {
namespace {

// What the download would make a picture of, and picture files on the device.
TEST(PicturePreview, RowsThatBecomePicturesOrArePicturesOpenOne) {
  struct Case {
    int category;
    const char* name;
    bool onDevice;
    bool opens;
  };
  const Case cases[] = {
      {8, "照片.JPG", false, true},  {8, "扫描.tiff", false, true}, {3, "字典.BMP", false, true},
      {3, "照片.jpg", false, false},  // copied as it is in that category
      {0, "歌.mp3", false, false},     {2, "书.txt", false, false},
      {8, "照片.ych", true, true},     {8, "旧.YCH", true, true},     {0, "歌.mp3", true, false},
      {8, "照片.jpg", true, false},
  };
  for (const Case& c : cases) {
    const FileEntry entry{true, 1, c.name, c.category + 1, std::string(c.onDevice ? "G:\\系统\\" : "C:\\资料\\") + c.name};
    EXPECT_EQ(PreviewsAsPicture(entry, c.onDevice), c.opens) << c.name << (c.onDevice ? " on the device" : "");
  }
}

TEST(PicturePreview, SizesReadAsTheUserReadsThem) {
  EXPECT_EQ(PreviewSizeText(320, 240, 19215), "320 × 240，在U盘上占 19,215 字节");
  EXPECT_EQ(GroupedDigits(0), "0");
  EXPECT_EQ(GroupedDigits(999), "999");
  EXPECT_EQ(GroupedDigits(1000), "1,000");
  EXPECT_EQ(GroupedDigits(123456789), "123,456,789");
  EXPECT_EQ(GroupedDigits(18446744073709551615ull), "18,446,744,073,709,551,615");
}

// A file the download would make no picture of says so in the download's
// own words, the source's faults first; a picture file shows as it is.
class PreviewRow : public testing::ScratchFolder {};

TEST_F(PreviewRow, SaysWhatTheDownloadWouldSayOrShowsThePicture) {
  const std::string empty = Path("空.jpg"), gone = Path("没了.jpg"), noise = Path("乱.jpg"), cut = Path("断.ych");
  Write(empty, "");
  Write(noise, std::string(100, '\x5a'));
  Write(cut, std::string(convert::kPictureMagic) + std::string("\x40\x01\xf0\x00\xff", 5));
  const std::pair<RowPreview, std::string> failures[] = {
      {PreviewRowFile(empty, false), std::string(kEmptySourceText)},
      {PreviewRowFile(gone, false), std::string(kUnreadableSourceText)},
      {PreviewRowFile(noise, false), convert::PictureFileErrorText(convert::kPictureNotConvertible, noise)},
      {PreviewRowFile(cut, true), convert::PictureFileErrorText(convert::kPictureDamaged, cut)},
  };
  for (const auto& [preview, words] : failures) EXPECT_EQ(preview.failure, words);

  const std::string made = Path("图.ych");
  const platform::Bytes picture = convert::EncodePicture({5, 2, {0, 1, 2, 3, 3, 3, 2, 1, 0, 0}});
  Write(made, std::string(picture.begin(), picture.end()));
  const RowPreview shown = PreviewRowFile(made, true);
  EXPECT_EQ(shown.failure, "");
  EXPECT_EQ(shown.picture.picture.levels, (std::vector<std::uint8_t>{0, 1, 2, 3, 3, 3, 2, 1, 0, 0}));
  EXPECT_EQ(shown.picture.deviceBytes, 19u);
}

}  // namespace
}  // namespace dockline::download
