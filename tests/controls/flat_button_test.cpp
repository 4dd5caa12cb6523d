#include "controls/flat_button.h"

#include <gtest/gtest.h>

#include "control_test_support.h"

namespace dockline::controls {
namespace {

using testing::Canvas;

constexpr int kWidth = 84;
constexpr COLORREF kFrame = RGB(232, 223, 236);

class FlatButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    HWND raw = ::CreateWindowExW(0, L"BUTTON", L"下载", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, kWidth, 26,
                                 host.Handle(), reinterpret_cast<HMENU>(1023), nullptr, nullptr);
    ASSERT_TRUE(button.Attach(raw));
  }
  void SetHover(bool on) { ::SendMessageW(button.Handle(), on ? WM_MOUSEHOVER : WM_MOUSELEAVE, 0, 0); }

  testing::TestHost host;
  FlatButton button;
};

// Drawn 14 pixels high: with 2-pixel edges the face is 10 rows, the first of
// them (row 2) in shade 12 and the last (row 12, the face's bottom) in shade 63.
TEST_F(FlatButtonTest, FrameAndFirstAndLastGradientRowsPerState) {
  ASSERT_EQ(2, ::GetSystemMetrics(SM_CXEDGE));
  ASSERT_EQ(2, ::GetSystemMetrics(SM_CYEDGE));
  struct Case {
    const char* name;
    bool hover;
    UINT state;
    COLORREF first, last;
  };
  const Case cases[] = {
      {"plain", false, 0, RGB(251, 251, 253), RGB(234, 234, 243)},
      {"disabled", false, ODS_DISABLED, RGB(251, 251, 253), RGB(234, 234, 243)},
      {"focused", false, ODS_FOCUS, RGB(251, 251, 252), RGB(234, 234, 240)},
      {"default", false, ODS_DEFAULT, RGB(251, 251, 252), RGB(234, 234, 240)},
      {"pressed", false, ODS_SELECTED, RGB(251, 251, 252), RGB(234, 234, 240)},
      {"hover", true, 0, RGB(252, 252, 253), RGB(240, 240, 243)},
      {"hover and focused", true, ODS_FOCUS, RGB(252, 252, 251), RGB(240, 240, 234)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetHover(c.hover);
    Canvas canvas(kWidth, 14);
    button.Draw(canvas.Dc(), canvas.All(), c.state);
    EXPECT_EQ(kFrame, canvas.At(0, 0));
    EXPECT_EQ(kFrame, canvas.At(kWidth - 1, 13));
    for (int x : {2, kWidth - 3}) {
      EXPECT_EQ(c.first, canvas.At(x, 2));
      EXPECT_EQ(c.last, canvas.At(x, 12));
    }
    EXPECT_EQ(testing::kMarker, canvas.At(1, 7));  // the edge beside the face stays unpainted
    EXPECT_EQ(testing::kMarker, canvas.At(kWidth - 2, 7));
  }
}

TEST_F(FlatButtonTest, AttachedButtonIsOwnerDrawnThroughItsParentAndTheParentStillGetsTheClick) {
  EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongPtrW(button.Handle(), GWL_STYLE) & BS_TYPEMASK);
  Canvas canvas(kWidth, 26);
  canvas.Print(button.Handle());
  EXPECT_EQ(kFrame, canvas.At(0, 0));
  EXPECT_EQ(RGB(234, 234, 243), canvas.At(3, 24));
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ((std::vector<std::pair<int, int>>{{1023, BN_CLICKED}}), host.commands);
}

}  // namespace
}  // namespace dockline::controls
