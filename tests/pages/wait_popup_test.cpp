#include "download/gui/wait_popup.h"

#include <gtest/gtest.h>

#include "ui/ui_test_support.h"

namespace dockline::download {
namespace {

// The popup is up while the UI thread is busy; whatever ends that work, the
// window must not outlive its object.
TEST(WaitPopupTest, GoesAwayWithItsObjectShownOrHidden) {
  testing::TestHost owner;
  ASSERT_TRUE(owner.Open(609, 530));
  for (bool hide : {false, true}) {
    HWND window = nullptr;
    {
      WaitPopup popup(owner.Handle());
      window = popup.Handle();
      EXPECT_EQ(owner.Handle(), ::GetWindow(window, GW_OWNER));
      if (hide) popup.Hide();
      EXPECT_EQ(!hide, ::IsWindowVisible(window) != FALSE);
    }
    EXPECT_FALSE(::IsWindow(window));
  }
  EXPECT_TRUE(WaitPopup(nullptr).IsOpen());
}

// Dismissed before its minimum, the popup stays up on a timer while the
// thread goes on; dismissed without one, it goes at once.
TEST(WaitPopupTest, StaysUpForItsMinimumOnATimer) {
  testing::TestHost owner;
  ASSERT_TRUE(owner.Open(609, 530));
  WaitPopup popup(owner.Handle());
  popup.Dismiss(std::chrono::milliseconds(300));
  EXPECT_TRUE(popup.IsOpen());
  ASSERT_TRUE(testing::PumpUntil([&] { return !popup.IsOpen(); }));
  WaitPopup quick(owner.Handle());
  quick.Dismiss();
  EXPECT_FALSE(quick.IsOpen());
}

}  // namespace
}  // namespace dockline::download
