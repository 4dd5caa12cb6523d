#include "controls/skin_button.h"

#include <gtest/gtest.h>

#include "control_test_support.h"

namespace dockline::controls {
namespace {

using testing::Canvas;

constexpr int kWidth = 120;
constexpr int kHeight = 35;
constexpr COLORREF kFrame = RGB(173, 227, 255);
constexpr COLORREF kOrange = RGB(255, 207, 132);
constexpr COLORREF kPaleCyan = RGB(200, 250, 250);
constexpr COLORREF kLightBlue = RGB(214, 227, 247);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

class FakeSidebar : public SidebarHost {
 public:
  HWND window = nullptr;
  int selected = app::kNoEntry;
  HWND SidebarWindow() const override { return window; }
  int SelectedEntry() const override { return selected; }
};

class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    sidebar.window = host.Handle();
    ASSERT_TRUE(button.Create("", RECT{10, 10, 10 + kWidth, 10 + kHeight}, host.Handle(), 1820));
    button.SetCategoryIndex(2);
  }
  void Send(UINT message, int x = 0, int y = 0) { ::SendMessageW(button.Handle(), message, 0, MAKELPARAM(x, y)); }

  testing::TestHost host;
  FakeSidebar sidebar;
  SkinButton button{&sidebar};
};

TEST_F(SkinButtonTest, FaceIsOrangeUnderTheMouseThenPaleCyanWhenFocusedOrChosen) {
  struct Case {
    const char* name;
    bool hover;
    UINT state;
    int selected;
    COLORREF face;
  };
  const Case cases[] = {
      {"plain", false, 0, app::kNoEntry, kLightBlue},
      {"other entry chosen", false, 0, 5, kLightBlue},
      {"chosen", false, 0, 2, kPaleCyan},
      {"focused", false, ODS_FOCUS, app::kNoEntry, kPaleCyan},
      {"hover over chosen and focused", true, ODS_FOCUS, 2, kOrange},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Send(c.hover ? WM_MOUSEHOVER : WM_MOUSELEAVE);
    sidebar.selected = c.selected;
    Canvas canvas(kWidth, kHeight);
    button.Draw(canvas.Dc(), canvas.All(), c.state);
    EXPECT_EQ(kFrame, canvas.At(0, 0));
    EXPECT_EQ(kFrame, canvas.At(kWidth - 1, kHeight - 1));
    EXPECT_EQ(c.face, canvas.At(5, kHeight / 2));
    EXPECT_EQ(c.face, canvas.At(kWidth - 5, kHeight - 4));
    // Under the mouse a 2-pixel white line runs along the top of the face.
    const int whiteRows = canvas.Count(kWhite, RECT{kWidth / 2, 0, kWidth / 2 + 1, kHeight});
    EXPECT_EQ(c.hover ? 2 : 0, whiteRows);
    EXPECT_EQ(c.hover ? kWhite : c.face, canvas.At(3, 2));
    EXPECT_EQ(c.face, canvas.At(kWidth / 2, 4));
  }
  Canvas printed(kWidth, kHeight);  // a real drawing request, reflected by the parent
  printed.Print(button.Handle());
  EXPECT_EQ(kOrange, printed.At(5, kHeight / 2));
}

TEST_F(SkinButtonTest, IconShowsTheFaceThroughItsBluePixelsAndAMissingOneIsNotDrawn) {
  // A 32 x 32 icon on pure blue with a red square at (12, 12).
  button.SetCaptionAndIcon("图书", testing::Picture(32, 32, RGB(0, 0, 255), {{RECT{12, 12, 20, 20}, kRed}}));
  Canvas canvas(kWidth, kHeight);
  button.Draw(canvas.Dc(), canvas.All(), 0);
  EXPECT_EQ(0, canvas.Count(RGB(0, 0, 255), canvas.All()));
  const auto red = canvas.Bounds([](COLORREF c) { return c == kRed; }, canvas.All());
  ASSERT_TRUE(red.has_value());
  EXPECT_EQ(8, red->right - red->left);
  EXPECT_EQ(kLightBlue, canvas.At(red->left - 11, red->top - 11));  // the icon's blue corner shows the face

  button.SetCaptionAndIcon("名    片", 129);  // the organizer's icon, which the resources lack
  Canvas missing(kWidth, kHeight);
  button.Draw(missing.Dc(), missing.All(), 0);
  EXPECT_EQ(34 * (kHeight - 6), missing.Count(kLightBlue, RECT{3, 3, 37, kHeight - 3}));  // bare face, no icon
}

TEST_F(SkinButtonTest, ClickTellsTheSidebarHostWindowOnlyAndNothingWithoutOne) {
  button.SetCategoryIndex(4);
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  sidebar.window = nullptr;
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  SkinButton orphan;  // no sidebar host at all
  ASSERT_TRUE(orphan.Create("x", RECT{0, 50, 120, 85}, host.Handle(), 1820));
  ::SendMessageW(orphan.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{0, 4}}), host.categorySelections);
  EXPECT_TRUE(host.commands.empty());
}

TEST_F(SkinButtonTest, OneTrackingRequestUntilTheMouseLeaves) {
  for (int x : {5, 6, 7}) Send(WM_MOUSEMOVE, x, 5);
  EXPECT_EQ(1, button.TrackingRequests());
  Send(WM_MOUSEHOVER, 7, 5);
  EXPECT_TRUE(button.Hover());
  Send(WM_MOUSELEAVE);
  EXPECT_FALSE(button.Hover());
  EXPECT_FALSE(button.Tracking());
  Send(WM_MOUSEMOVE, 5, 5);
  EXPECT_EQ(2, button.TrackingRequests());
}

// A real pointer: the system's own hover and leave notifications drive the same states.
TEST_F(SkinButtonTest, RealPointerLightsAndPutsOutTheButton) {
  RECT r{};
  ::GetWindowRect(button.Handle(), &r);
  ::SetCursorPos(r.left + 20, r.top + 10);
  testing::PumpMessages();
  Send(WM_MOUSEMOVE, 20, 10);
  if (!testing::PumpUntil([&] { return button.Hover(); }, std::chrono::seconds(3))) {
    GTEST_SKIP() << "this display does not report the pointer over the window";
  }
  ::SetCursorPos(r.right + 200, r.bottom + 200);
  EXPECT_TRUE(testing::PumpUntil([&] { return !button.Hover(); }, std::chrono::seconds(3)));
  EXPECT_FALSE(button.Tracking());
}

TEST(HeaderButtonTest, ClickAsksTheParentForItsGroupAndTheImageIsDrawnUnscaled) {
  testing::TestHost host;
  ASSERT_TRUE(host.Open());
  HeaderButton header;
  ASSERT_TRUE(header.CreateControl(L"BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, RECT{0, 0, 30, 16},
                                   host.Handle(), 1000));
  header.SetBitmaps(testing::Picture(20, 10, RGB(0, 160, 0), {{RECT{10, 0, 20, 10}, kRed}}));
  header.SetGroupIndex(1);
  ::SendMessageW(header.Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(header.Clicked());
  EXPECT_TRUE(host.commands.empty());
  EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{0, 1}}), host.groupSwitches);
  ::EnableWindow(header.Handle(), FALSE);  // a state without an image of its own shows the normal one
  Canvas canvas(30, 16);
  canvas.Print(header.Handle());
  EXPECT_EQ(RGB(0, 160, 0), canvas.At(0, 0));
  EXPECT_EQ(kRed, canvas.At(19, 9));
  EXPECT_EQ(testing::kMarker, canvas.At(20, 5));  // not stretched to the button's size
  EXPECT_EQ(testing::kMarker, canvas.At(5, 10));
}

}  // namespace
}  // namespace dockline::controls
