#include "ui/resources.h"

#include <gtest/gtest.h>

#include "resource.h"

namespace dockline::ui {
namespace {

TEST(Resources, LoadByNumberAndMissingOnesAreEmpty) {
  EXPECT_EQ(609, BitmapSize(LoadBitmapResource(IDB_TITLE_STRIP).Get()).cx);
  EXPECT_TRUE(LoadCursorResource(IDC_LINK_HAND));
  EXPECT_TRUE(LoadIconResource(IDI_MAIN, 16));
  EXPECT_EQ("关于言途6170 DOCKLINE(&A)...", LoadStringResource(IDS_ABOUT_MENU));
  // The organizer entries ask for bitmap 129, which does not exist.
  EXPECT_FALSE(LoadBitmapResource(129));
  EXPECT_FALSE(LoadCursorResource(129));
  EXPECT_FALSE(LoadIconResource(129));
  EXPECT_EQ("", LoadStringResource(4321));
}

}  // namespace
}  // namespace dockline::ui
