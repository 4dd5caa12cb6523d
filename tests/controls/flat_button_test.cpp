#include "controls/flat_button.h"

#include <gtest/gtest.h>

#include "control_test_support.h"

namespace dockline::controls {
namespace {

using testing::Canvas;
using testing::ColourText;
using testing::TestHost;

constexpr int kWidth = 84;
constexpr int kHeight = 26;

// Counts the calls of the extension points.
class CountingFlatButton : public FlatButton {
 public:
  int hoverBorders = 0;
  int erases = 0;

 protected:
  void DrawHoverBorder(HDC dc, const RECT& inner) override {
    ++hoverBorders;
    FlatButton::DrawHoverBorder(dc, inner);
  }
  bool OnMessage(const ui::Message& m, LRESULT& result) override {
    if (m.message == WM_ERASEBKGND) ++erases;
    return FlatButton::OnMessage(m, result);
  }
};

class FlatButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    HWND raw = ::CreateWindowExW(0, L"BUTTON", L"下载", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, kWidth, kHeight,
                                 host.Handle(), reinterpret_cast<HMENU>(1023), nullptr, nullptr);
    ::SendMessageW(raw, WM_SETFONT, reinterpret_cast<WPARAM>(host.Font()), FALSE);
    ASSERT_TRUE(button.Attach(raw));
  }
  void Render(Canvas& canvas, UINT itemState) { button.Draw(canvas.Dc(), RECT{0, 0, kWidth, kHeight}, itemState); }
  void SetHover(bool on) { ::SendMessageW(button.Handle(), on ? WM_MOUSEHOVER : WM_MOUSELEAVE, 0, 0); }

  TestHost host;
  CountingFlatButton button;
};

TEST(FlatButtonShades, RunFromWhiteToTheFourDocumentedEnds) {
  EXPECT_EQ(RGB(255, 255, 255), FlatButton::Shade(0, false, false));
  EXPECT_EQ(RGB(255, 255, 255), FlatButton::Shade(0, true, true));
  EXPECT_EQ(RGB(234, 234, 243), FlatButton::Shade(63, false, false));
  EXPECT_EQ(RGB(234, 234, 240), FlatButton::Shade(63, false, true));
  EXPECT_EQ(RGB(240, 240, 243), FlatButton::Shade(63, true, false));
  EXPECT_EQ(RGB(240, 240, 234), FlatButton::Shade(63, true, true));
}

TEST_F(FlatButtonTest, FirstAndLastRowsOfTheGradientPerState) {
  struct Case {
    const char* name;
    bool hover;
    UINT state;
    bool highlighted;
  };
  const Case cases[] = {
      {"plain", false, 0, false},          {"focused", false, ODS_FOCUS, true},
      {"default", false, ODS_DEFAULT, true}, {"pressed", false, ODS_SELECTED | ODS_FOCUS, true},
      {"hover", true, 0, false},           {"hover and focused", true, ODS_FOCUS, true},
      {"disabled", false, ODS_DISABLED, false},
  };
  const int edgeX = ::GetSystemMetrics(SM_CXEDGE);
  const int edgeY = ::GetSystemMetrics(SM_CYEDGE);
  const int innerHeight = kHeight - 2 * edgeY;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetHover(c.hover);
    Canvas canvas(kWidth, kHeight);
    Render(canvas, c.state);
    EXPECT_EQ(c.highlighted, button.Highlighted());
    EXPECT_EQ(FlatButton::kFrame, canvas.At(0, 0));
    EXPECT_EQ(FlatButton::kFrame, canvas.At(kWidth - 1, kHeight - 1));
    // First painted row: the shade of its own coordinate.
    const COLORREF first = FlatButton::Shade(63 * edgeY / innerHeight, c.hover, c.highlighted);
    EXPECT_EQ(first, canvas.At(edgeX, edgeY)) << ColourText(canvas.At(edgeX, edgeY));
    EXPECT_EQ(first, canvas.At(kWidth - edgeX - 1, edgeY));
    // Last painted row: the inner rectangle's bottom, in shade 63.
    const COLORREF last = FlatButton::Shade(63, c.hover, c.highlighted);
    EXPECT_EQ(last, canvas.At(edgeX, kHeight - edgeY)) << ColourText(canvas.At(edgeX, kHeight - edgeY));
    EXPECT_EQ(last, canvas.At(kWidth - edgeX - 1, kHeight - edgeY));
    // Left of the face and right of it nothing is painted.
    EXPECT_EQ(testing::kMarker, canvas.At(edgeX - 1, kHeight / 2));
    EXPECT_EQ(testing::kMarker, canvas.At(kWidth - edgeX, kHeight / 2));
  }
}

TEST_F(FlatButtonTest, PressedCaptionSinksOnePixel) {
  auto ink = [&](UINT state) {
    Canvas canvas(kWidth, kHeight);
    Render(canvas, state);
    return canvas.Bounds(testing::IsDark, RECT{3, 3, kWidth - 3, kHeight - 3});
  };
  const auto focused = ink(ODS_FOCUS);
  const auto pressed = ink(ODS_FOCUS | ODS_SELECTED);
  ASSERT_TRUE(focused && pressed);
  EXPECT_EQ(focused->left + 1, pressed->left);
  EXPECT_EQ(focused->top + 1, pressed->top);
}

TEST_F(FlatButtonTest, DisabledCaptionIsEmbossedGreyOnTheGradient) {
  Canvas canvas(kWidth, kHeight);
  Render(canvas, ODS_DISABLED);
  const RECT caption{3, 3, kWidth - 3, kHeight - 3};
  EXPECT_EQ(0, canvas.Count(RGB(0, 0, 0), caption));
  EXPECT_GT(canvas.Count(::GetSysColor(COLOR_3DSHADOW), caption), 0);
  EXPECT_EQ(FlatButton::Shade(63, false, false), canvas.At(3, kHeight - 2));
}

TEST_F(FlatButtonTest, HoverBorderHookRunsWhileHoveredOrFocused) {
  Canvas canvas(kWidth, kHeight);
  Render(canvas, 0);
  EXPECT_EQ(0, button.hoverBorders);
  Render(canvas, ODS_FOCUS);
  EXPECT_EQ(1, button.hoverBorders);
  SetHover(true);
  Render(canvas, 0);
  EXPECT_EQ(2, button.hoverBorders);
}

TEST_F(FlatButtonTest, TrackingAndRepaintsOfHoverAndLeave) {
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 3));
  EXPECT_EQ(1, button.TrackingRequests());

  ::UpdateWindow(button.Handle());
  const int erasesBefore = button.erases;
  SetHover(true);  // invalidated with background erase
  EXPECT_TRUE(::GetUpdateRect(button.Handle(), nullptr, FALSE));
  ::UpdateWindow(button.Handle());
  EXPECT_EQ(erasesBefore + 1, button.erases);

  SetHover(false);  // invalidated without background erase
  EXPECT_TRUE(::GetUpdateRect(button.Handle(), nullptr, FALSE));
  ::UpdateWindow(button.Handle());
  EXPECT_EQ(erasesBefore + 1, button.erases);
  EXPECT_FALSE(button.Tracking());
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(2, button.TrackingRequests());
}

TEST_F(FlatButtonTest, TheDialogStillReceivesTheClick) {
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(1u, host.commands.size());
  EXPECT_EQ(std::make_pair(1023, static_cast<int>(BN_CLICKED)), host.commands[0]);
}

TEST_F(FlatButtonTest, AttachingMakesTheButtonOwnerDrawnAndPaintsThroughItsParent) {
  EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongPtrW(button.Handle(), GWL_STYLE) & BS_TYPEMASK);
  Canvas canvas(kWidth, kHeight);
  canvas.Print(button.Handle());
  EXPECT_EQ(FlatButton::kFrame, canvas.At(0, 0));
  EXPECT_EQ(FlatButton::Shade(63, false, false), canvas.At(3, kHeight - 2));
}

}  // namespace
}  // namespace dockline::controls
