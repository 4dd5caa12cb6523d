#include "download/picture_preview.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace dockline::download
