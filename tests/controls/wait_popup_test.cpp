#include "download/win32/wait_popup.h"

#include <gtest/gtest.h>

#include "control_test_support.h"

namespace dockline::download {
namespace {

using testing::Canvas;
using testing::TestHost;

// What the popup shows on screen now, read from its window without letting
// the thread handle a single message.
std::unique_ptr<Canvas> Snapshot(HWND popup) {
  RECT client{};
  ::GetClientRect(popup, &client);
  auto canvas = std::make_unique<Canvas>(client.right, client.bottom);
  ui::ClientDC dc(popup);
  ::BitBlt(canvas->Dc(), 0, 0, client.right, client.bottom, dc.Get(), 0, 0, SRCCOPY);
  return canvas;
}

class WaitPopupTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(owner.Open(609, 530)); }
  TestHost owner;
};

TEST_F(WaitPopupTest, SitsAtAFixedOffsetFromTheOwnerWhereverTheOwnerIs) {
  for (POINT at : {POINT{40, 40}, POINT{300, 120}}) {
    ::SetWindowPos(owner.Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    WaitPopup popup(owner.Handle());
    ASSERT_TRUE(popup.IsOpen());
    RECT r{};
    ::GetWindowRect(popup.Handle(), &r);
    EXPECT_EQ(at.x + WaitPopup::kOffsetX, r.left);
    EXPECT_EQ(at.y + WaitPopup::kOffsetY, r.top);
    EXPECT_EQ(owner.Handle(), ::GetWindow(popup.Handle(), GW_OWNER));
    EXPECT_TRUE(::IsWindowVisible(popup.Handle()));
  }
}

TEST_F(WaitPopupTest, TextIsOnScreenWithoutTheThreadHandlingMessages) {
  WaitPopup popup(owner.Handle());
  ASSERT_TRUE(popup.IsOpen());
  EXPECT_EQ(WaitPopup::kReadingText, popup.Message());
  auto reading = Snapshot(popup.Handle());
  EXPECT_EQ(WaitPopup::kBackground, reading->At(1, 1));
  const RECT all = reading->All();
  const int readingInk = reading->Count(testing::IsDark, all);
  EXPECT_GT(readingInk, 20);

  popup.SetText("正在删除，请稍候");
  auto deleting = Snapshot(popup.Handle());
  EXPECT_EQ(WaitPopup::kBackground, deleting->At(1, 1));
  const int deletingInk = deleting->Count(testing::IsDark, all);
  EXPECT_GT(deletingInk, 20);
  EXPECT_NE(readingInk, deletingInk);  // the old text is gone, not drawn over
}

TEST_F(WaitPopupTest, TextIsCentredTenPixelsRightOfTheMiddle) {
  WaitPopup popup(owner.Handle());
  popup.SetText("数据");
  auto shot = Snapshot(popup.Handle());
  const auto ink = shot->Bounds(testing::IsDark, shot->All());
  ASSERT_TRUE(ink.has_value());
  EXPECT_NEAR(shot->Width() / 2 + 10, (ink->left + ink->right) / 2, 2);
  EXPECT_NEAR(shot->Height() / 2, (ink->top + ink->bottom) / 2, 3);
}

TEST_F(WaitPopupTest, AnswersColourRequestsWithItsBrushAndATransparentBackground) {
  WaitPopup popup(owner.Handle());
  Canvas canvas(4, 4);
  ::SetBkMode(canvas.Dc(), OPAQUE);
  const auto brush = reinterpret_cast<HBRUSH>(
      ::SendMessageW(popup.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.Dc()), 0));
  LOGBRUSH lb{};
  ASSERT_TRUE(::GetObjectW(brush, sizeof lb, &lb));
  EXPECT_EQ(WaitPopup::kBackground, lb.lbColor);
  EXPECT_EQ(TRANSPARENT, ::GetBkMode(canvas.Dc()));
}

TEST_F(WaitPopupTest, GoesAwayWithItsOwnerObjectOnEveryPath) {
  HWND shown = nullptr;
  HWND hidden = nullptr;
  auto operation = [&](bool fail) {
    WaitPopup popup(owner.Handle());
    shown = popup.Handle();
    if (fail) {
      popup.Hide();
      hidden = popup.Handle();
      EXPECT_FALSE(::IsWindowVisible(hidden));
      return false;
    }
    return true;
  };
  operation(false);
  EXPECT_FALSE(::IsWindow(shown));
  operation(true);
  EXPECT_FALSE(::IsWindow(hidden));
}

TEST_F(WaitPopupTest, WithoutAnOwnerItStillOpens) {
  WaitPopup popup(nullptr);
  EXPECT_TRUE(popup.IsOpen());
}

}  // namespace
}  // namespace dockline::download
