#include "controls/link_label.h"

#include <gtest/gtest.h>

#include "ui/ui_test_support.h"

namespace dockline::controls {
namespace {

// The logo holds the mouse while the pointer is over it; a capture it keeps
// after the pointer left would swallow the clicks of the whole window.
TEST(LinkLabelTest, HoverCapturesUntilThePointerLeavesOrAnotherWindowTakesItAndAPressIsTheClick) {
  testing::TestHost host;
  ASSERT_TRUE(host.Open(500, 200));
  LinkLabel label;
  ASSERT_TRUE(label.Attach(::CreateWindowExW(0, L"STATIC", L"logo", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 120, 58,
                                             host.Handle(), reinterpret_cast<HMENU>(1015), nullptr, nullptr)));
  auto move = [&](int x, int y) { ::SendMessageW(label.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); };
  for (int visit = 0; visit < 2; ++visit) {
    move(10, 10);
    EXPECT_EQ(label.Handle(), ::GetCapture());
    move(119, 57);
    EXPECT_TRUE(label.MouseInside());
    move(130, 40);
    EXPECT_FALSE(label.MouseInside());
    EXPECT_EQ(nullptr, ::GetCapture());
  }
  move(10, 10);
  ::SetCapture(host.Handle());
  EXPECT_FALSE(label.MouseInside());
  ::ReleaseCapture();

  ::SendMessageW(label.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageW(label.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ASSERT_FALSE(host.commands.empty());
  EXPECT_EQ(std::make_pair(1015, static_cast<int>(STN_CLICKED)), host.commands[0]);
}

}  // namespace
}  // namespace dockline::controls
