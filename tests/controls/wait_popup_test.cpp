#include "download/gui/wait_popup.h"

#include <gtest/gtest.h>

#include <memory>

#include "control_test_support.h"

namespace dockline::download {
namespace {

using testing::Canvas;

constexpr COLORREF kBackground = RGB(206, 207, 214);

// What the popup shows on screen now, read from its window without letting
// the thread handle a single message.
std::unique_ptr<Canvas> Snapshot(HWND popup, RECT& client) {
  ::GetClientRect(popup, &client);
  auto canvas = std::make_unique<Canvas>(client.right, client.bottom);
  ui::ClientDC dc(popup);
  ::BitBlt(canvas->Dc(), 0, 0, client.right, client.bottom, dc.Get(), 0, 0, SRCCOPY);
  return canvas;
}

class WaitPopupTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(owner.Open(609, 530)); }
  testing::TestHost owner;
};

TEST_F(WaitPopupTest, SitsAt125By200FromTheOwnerWhereverTheOwnerIs) {
  for (POINT at : {POINT{40, 40}, POINT{300, 120}}) {
    ::SetWindowPos(owner.Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    WaitPopup popup(owner.Handle());
    ASSERT_TRUE(popup.IsOpen());
    RECT r{};
    ::GetWindowRect(popup.Handle(), &r);
    EXPECT_EQ(at.x + 125, r.left);
    EXPECT_EQ(at.y + 200, r.top);
    EXPECT_EQ(owner.Handle(), ::GetWindow(popup.Handle(), GW_OWNER));
    EXPECT_TRUE(::IsWindowVisible(popup.Handle()));
  }
  EXPECT_TRUE(WaitPopup(nullptr).IsOpen());
}

TEST_F(WaitPopupTest, TextIsOnScreenWithoutTheThreadHandlingMessages) {
  WaitPopup popup(owner.Handle());
  EXPECT_EQ("数据读取中，请稍候.....", popup.Message());
  RECT client{};
  int previousInk = 0;
  for (const char* text : {"", "正在删除，请稍候"}) {
    SCOPED_TRACE(text);
    if (*text) popup.SetText(text);
    auto shot = Snapshot(popup.Handle(), client);
    EXPECT_EQ(kBackground, shot->At(1, 1));
    const int ink = shot->Count(testing::IsDark, client);
    EXPECT_GT(ink, 20);
    EXPECT_NE(previousInk, ink);  // the old text is gone, not drawn over
    previousInk = ink;
  }
}

TEST_F(WaitPopupTest, GoesAwayWithItsObjectShownOrHidden) {
  for (bool hide : {false, true}) {
    HWND window = nullptr;
    {
      WaitPopup popup(owner.Handle());
      window = popup.Handle();
      if (hide) popup.Hide();
      EXPECT_EQ(!hide, ::IsWindowVisible(window) != FALSE);
    }
    EXPECT_FALSE(::IsWindow(window));
  }
}

}  // namespace
}  // namespace dockline::download
