#include "ui/resources.h"

#include <gtest/gtest.h>

#include "resource.h"

namespace dockline::ui {
namespace {

TEST(Resources, LoadByNumberWithTheirOwnSizes) {
  Bitmap icon = LoadBitmapResource(IDB_ICON_MUSIC);
  ASSERT_TRUE(icon);
  EXPECT_EQ(32, BitmapSize(icon.Get()).cx);
  EXPECT_EQ(32, BitmapSize(icon.Get()).cy);
  Bitmap strip = LoadBitmapResource(IDB_TITLE_STRIP);
  ASSERT_TRUE(strip);
  EXPECT_EQ(609, BitmapSize(strip.Get()).cx);

  EXPECT_TRUE(LoadCursorResource(IDC_LINK_HAND));
  Icon small = LoadIconResource(IDI_MAIN, 16);
  ASSERT_TRUE(small);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(small.Get(), &info));
  BITMAP bm{};
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(16, bm.bmWidth);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
}

TEST(Resources, StringsComeOutAsUtf8) {
  EXPECT_EQ("关于言途6170 DOCKLINE(&A)...", LoadStringResource(IDS_ABOUT_MENU));
}

// The organizer entries ask for bitmap 129, which does not exist.
TEST(Resources, MissingOnesAreEmpty) {
  EXPECT_FALSE(LoadBitmapResource(129));
  EXPECT_FALSE(LoadCursorResource(129));
  EXPECT_FALSE(LoadIconResource(129));
  EXPECT_EQ("", LoadStringResource(4321));
  EXPECT_EQ(0, BitmapSize(nullptr).cx);
}

}  // namespace
}  // namespace dockline::ui
