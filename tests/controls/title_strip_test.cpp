#include "controls/title_strip.h"

#include <gtest/gtest.h>

#include "resource.h"
#include "ui/ui_test_support.h"

namespace dockline::controls {
namespace {

constexpr int kCloseCommand = 1009;
constexpr TitleSpot kSpots[] = {
    {{10, 4, 27, 20}, 0, 0},
    {{586, 4, 600, 20}, IDB_TITLE_CLOSE_HOVER, kCloseCommand},
};

TEST(TitleStrip, TheSpotUnderTheMouseIsHoveredUntilTheMouseLeavesAndAPressSendsItsCommandThenDrags) {
  testing::TestHost host;
  ASSERT_TRUE(host.Open(609, 100));
  TitleStrip strip;
  ASSERT_TRUE(strip.Create(host.Handle(), RECT{0, 0, 609, 23}, IDB_TITLE_STRIP, kSpots));
  auto move = [&](int x, int y) { ::SendMessageW(strip.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); };

  move(593, 12);
  EXPECT_EQ(1, strip.Hovered());
  move(586, 12);  // on the spot's edge: off it
  EXPECT_EQ(-1, strip.Hovered());
  move(593, 12);
  ::SendMessageW(strip.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(-1, strip.Hovered());

  for (POINT p : {POINT{15, 10}, POINT{300, 10}, POINT{593, 12}}) {
    ::SendMessageW(strip.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    MSG drag{};  // taken off the queue: run, it would start a real drag
    EXPECT_TRUE(::PeekMessageW(&drag, host.Handle(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE)) << p.x;
    EXPECT_EQ(static_cast<WPARAM>(HTCAPTION), drag.wParam);
  }
  EXPECT_EQ((std::vector<std::pair<int, int>>{{kCloseCommand, 0}}), host.commands);
}

}  // namespace
}  // namespace dockline::controls
