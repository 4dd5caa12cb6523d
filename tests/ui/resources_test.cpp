#include "ui/resources.h"

#include <gtest/gtest.h>

#include "resource.h"

namespace dockline::ui {
namespace {

TEST(Resources, LoadByNumberAtTheirOwnSizeAndMissingOnesAreEmpty) {
  EXPECT_EQ(32, BitmapSize(LoadBitmapResource(IDB_ICON_MUSIC).Get()).cy);
  EXPECT_EQ(609, BitmapSize(LoadBitmapResource(IDB_TITLE_STRIP).Get()).cx);
  EXPECT_TRUE(LoadCursorResource(IDC_LINK_HAND));
  EXPECT_EQ("关于言途6170 DOCKLINE(&A)...", LoadStringResource(IDS_ABOUT_MENU));
  Icon small = LoadIconResource(IDI_MAIN, 16);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(small.Get(), &info));
  BITMAP bm{};
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(16, bm.bmWidth);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);

  // The organizer entries ask for bitmap 129, which does not exist.
  EXPECT_FALSE(LoadBitmapResource(129));
  EXPECT_FALSE(LoadCursorResource(129));
  EXPECT_FALSE(LoadIconResource(129));
  EXPECT_EQ("", LoadStringResource(4321));
}

}  // namespace
}  // namespace dockline::ui
