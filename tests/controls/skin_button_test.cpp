#include "controls/skin_button.h"

#include <gtest/gtest.h>

#include "control_test_support.h"

namespace dockline::controls {
namespace {

using testing::Canvas;
using testing::ColourText;
using testing::TestHost;

constexpr int kWidth = 120;
constexpr int kHeight = 35;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

class FakeSidebar : public SidebarHost {
 public:
  HWND window = nullptr;
  int selected = kNoEntry;
  HWND SidebarWindow() const override { return window; }
  int SelectedEntry() const override { return selected; }
};

// A 32 x 32 icon on the pure-blue key colour with a red 8 x 8 square at (12, 12).
ui::Bitmap MakeIcon() {
  Canvas canvas(32, 32, SkinButton::kIconTransparent);
  const RECT square{12, 12, 20, 20};
  ui::Brush red(::CreateSolidBrush(kRed));
  ::FillRect(canvas.Dc(), &square, red.Get());
  ui::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  ui::ClientDC screen(nullptr);
  ui::Bitmap copy(::CreateCompatibleBitmap(screen.Get(), 32, 32));
  ui::SelectGuard sel(dc.Get(), copy.Get());
  ::BitBlt(dc.Get(), 0, 0, 32, 32, canvas.Dc(), 0, 0, SRCCOPY);
  return copy;
}

class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    sidebar.window = host.Handle();
    ASSERT_TRUE(button.Create("", RECT{10, 10, 10 + kWidth, 10 + kHeight}, host.Handle(), 1820));
    button.SetCategoryIndex(2);
  }
  // The owner-draw routine as a drawing request with this item state runs it.
  void Render(Canvas& canvas, UINT itemState = 0) {
    button.Draw(canvas.Dc(), RECT{0, 0, kWidth, kHeight}, itemState);
  }

  TestHost host;
  FakeSidebar sidebar;
  SkinButton button{&sidebar};
};

TEST_F(SkinButtonTest, FaceColourFollowsHoverThenFocusThenChosenEntry) {
  struct Case {
    const char* name;
    bool hover;
    UINT state;
    int selected;
    COLORREF face;
  };
  const Case cases[] = {
      {"plain", false, 0, SidebarHost::kNoEntry, SkinButton::kNormalFace},
      {"other entry chosen", false, 0, 5, SkinButton::kNormalFace},
      {"chosen", false, 0, 2, SkinButton::kChosenFace},
      {"focused", false, ODS_FOCUS, SidebarHost::kNoEntry, SkinButton::kChosenFace},
      {"hover", true, 0, SidebarHost::kNoEntry, SkinButton::kHoverFace},
      {"hover over chosen and focused", true, ODS_FOCUS, 2, SkinButton::kHoverFace},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::SendMessageW(button.Handle(), c.hover ? WM_MOUSEHOVER : WM_MOUSELEAVE, 0, 0);
    sidebar.selected = c.selected;
    Canvas canvas(kWidth, kHeight);
    Render(canvas, c.state);
    EXPECT_EQ(SkinButton::kFrame, canvas.At(0, 0));
    EXPECT_EQ(SkinButton::kFrame, canvas.At(kWidth - 1, kHeight - 1));
    EXPECT_EQ(c.face, canvas.At(5, kHeight / 2)) << ColourText(canvas.At(5, kHeight / 2));
    EXPECT_EQ(c.face, canvas.At(kWidth - 5, kHeight - 4));
    EXPECT_EQ((c.state & ODS_FOCUS) != 0, button.Focused());
  }
}

TEST_F(SkinButtonTest, HoverDrawsATwoPixelWhiteLineAlongTheTopOfTheFace) {
  ::SendMessageW(button.Handle(), WM_MOUSEHOVER, 0, 0);
  Canvas canvas(kWidth, kHeight);
  Render(canvas);
  const int top = ::GetSystemMetrics(SM_CYEDGE);
  const int left = ::GetSystemMetrics(SM_CXEDGE);
  int whiteRows = 0;
  for (int y = 0; y < kHeight; ++y) whiteRows += canvas.At(kWidth / 2, y) == kWhite;
  EXPECT_EQ(2, whiteRows);
  EXPECT_EQ(kWhite, canvas.At(left + 1, top));
  EXPECT_EQ(SkinButton::kHoverFace, canvas.At(kWidth / 2, top + 2));
}

TEST_F(SkinButtonTest, IconShowsTheFaceThroughItsBluePixelsAndKeepsItsOffsetFromTheCaption) {
  auto isRed = [](COLORREF c) { return c == kRed; };
  auto isInk = [](COLORREF c) { return testing::IsDark(c); };
  struct Drawn {
    RECT icon;
    RECT ink;
  };
  auto draw = [&](const char* caption) {
    button.SetCaptionAndIcon(caption, MakeIcon());
    Canvas canvas(kWidth + 80, kHeight + 20, RGB(255, 255, 255));  // room for an icon pushed off the button
    ::SetViewportOrgEx(canvas.Dc(), 40, 10, nullptr);
    button.Draw(canvas.Dc(), RECT{0, 0, kWidth, kHeight}, 0);
    ::SetViewportOrgEx(canvas.Dc(), 0, 0, nullptr);
    EXPECT_EQ(0, canvas.Count(SkinButton::kIconTransparent, canvas.All()));
    const auto red = canvas.Bounds(isRed, canvas.All());
    EXPECT_TRUE(red.has_value());
    // Where the icon's corner lies, the face shows.
    if (red && red->left - 12 >= 40) {
      EXPECT_EQ(SkinButton::kNormalFace, canvas.At(red->left - 11, red->top - 11));
    }
    RECT iconRect = red.value_or(RECT{});
    RECT textArea{iconRect.right + 8, 10, 40 + kWidth, 10 + kHeight};
    const auto ink = canvas.Bounds(isInk, textArea);
    EXPECT_TRUE(ink.has_value());
    if (ink) {
      EXPECT_GT(ink->left, textArea.left);  // the caption's own ink, not the search's edge
    }
    return Drawn{iconRect, ink.value_or(RECT{})};
  };
  const Drawn shortCaption = draw("图书");
  const Drawn longCaption = draw("图书图书图书");
  EXPECT_EQ(8, shortCaption.icon.right - shortCaption.icon.left);
  EXPECT_LT(longCaption.icon.left, shortCaption.icon.left);
  // Caption and icon move together.
  EXPECT_EQ(shortCaption.ink.left - shortCaption.icon.left, longCaption.ink.left - longCaption.icon.left);
  EXPECT_EQ(shortCaption.ink.top - shortCaption.icon.top, longCaption.ink.top - longCaption.icon.top);
}

TEST_F(SkinButtonTest, MissingIconResourceDrawsNoIcon) {
  button.SetCaptionAndIcon("名    片", 129);
  EXPECT_TRUE(button.HasIcon());  // asked for, but there is nothing to draw
  Canvas canvas(kWidth, kHeight);
  Render(canvas);
  // An icon would sit 33 pixels left of the caption: that band is bare face.
  const RECT iconBand{3, 3, 37, kHeight - 3};
  EXPECT_EQ(34 * (kHeight - 6), canvas.Count(SkinButton::kNormalFace, iconBand));
}

TEST_F(SkinButtonTest, ClickTellsTheSidebarHostAndNotTheParent) {
  button.SetCategoryIndex(4);
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(1u, host.categorySelections.size());
  EXPECT_EQ(0u, host.categorySelections[0].first);
  EXPECT_EQ(4, host.categorySelections[0].second);
  EXPECT_TRUE(host.commands.empty());
}

TEST_F(SkinButtonTest, ClickWithoutAHostWindowDoesNothing) {
  sidebar.window = nullptr;
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  SkinButton orphan;  // no sidebar host at all
  ASSERT_TRUE(orphan.Create("x", RECT{0, 50, 120, 85}, host.Handle(), 1820));
  ::SendMessageW(orphan.Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(host.categorySelections.empty());
  EXPECT_TRUE(host.commands.empty());
}

TEST_F(SkinButtonTest, OneTrackingRequestUntilTheMouseLeaves) {
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(7, 6));
  EXPECT_EQ(1, button.TrackingRequests());
  EXPECT_TRUE(button.Tracking());
  ::SendMessageW(button.Handle(), WM_MOUSEHOVER, 0, MAKELPARAM(7, 6));
  EXPECT_TRUE(button.Hover());
  ::SendMessageW(button.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(button.Hover());
  EXPECT_FALSE(button.Tracking());
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(2, button.TrackingRequests());
}

TEST_F(SkinButtonTest, DrawingRequestsReachTheButtonThroughItsParent) {
  ::SendMessageW(button.Handle(), WM_MOUSEHOVER, 0, 0);
  Canvas canvas(kWidth, kHeight);
  canvas.Print(button.Handle());  // the button asks its parent, which reflects
  EXPECT_EQ(SkinButton::kFrame, canvas.At(0, 0));
  EXPECT_EQ(SkinButton::kHoverFace, canvas.At(5, kHeight / 2));
}

// A real pointer over the button: the system's own hover and leave
// notifications drive the same state.
TEST_F(SkinButtonTest, RealPointerLightsAndPutsOutTheButton) {
  RECT r{};
  ::GetWindowRect(button.Handle(), &r);
  ::SetCursorPos(r.left + 20, r.top + 10);
  testing::PumpMessages();
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
  if (!testing::PumpUntil([&] { return button.Hover(); }, std::chrono::seconds(3))) {
    GTEST_SKIP() << "this display does not report the pointer over the window";
  }
  ::SetCursorPos(r.right + 200, r.bottom + 200);
  EXPECT_TRUE(testing::PumpUntil([&] { return !button.Hover(); }, std::chrono::seconds(3)));
  EXPECT_FALSE(button.Tracking());
}

class HeaderButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    ASSERT_TRUE(header.CreateControl(L"BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, RECT{0, 0, 30, 16},
                                     host.Handle(), 1000));
    // A 20 x 10 image: left half green, right half red.
    Canvas image(20, 10, RGB(0, 160, 0));
    const RECT right{10, 0, 20, 10};
    ui::Brush red(::CreateSolidBrush(kRed));
    ::FillRect(image.Dc(), &right, red.Get());
    ui::ClientDC screen(nullptr);
    ui::Bitmap copy(::CreateCompatibleBitmap(screen.Get(), 20, 10));
    {
      ui::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
      ui::SelectGuard sel(dc.Get(), copy.Get());
      ::BitBlt(dc.Get(), 0, 0, 20, 10, image.Dc(), 0, 0, SRCCOPY);
    }
    header.SetBitmaps(std::move(copy));
  }
  TestHost host;
  HeaderButton header;
};

TEST_F(HeaderButtonTest, ClickOnlySetsItsFlag) {
  header.SetGroupIndex(1);
  ::SendMessageW(header.Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(header.Clicked());
  EXPECT_EQ(1, header.GroupIndex());
  EXPECT_TRUE(host.commands.empty());
  EXPECT_TRUE(host.categorySelections.empty());
}

TEST_F(HeaderButtonTest, NormalImageIsDrawnUnscaledInEveryState) {
  auto check = [&](const char* state) {
    SCOPED_TRACE(state);
    Canvas canvas(30, 16);
    canvas.Print(header.Handle());
    EXPECT_EQ(RGB(0, 160, 0), canvas.At(0, 0));
    EXPECT_EQ(RGB(0, 160, 0), canvas.At(9, 9));
    EXPECT_EQ(kRed, canvas.At(19, 9));
    EXPECT_EQ(testing::kMarker, canvas.At(20, 5));  // no stretching to the button's size
    EXPECT_EQ(testing::kMarker, canvas.At(5, 10));
  };
  check("normal");
  ::SendMessageW(header.Handle(), BM_SETSTATE, TRUE, 0);
  check("pressed");
  ::SendMessageW(header.Handle(), BM_SETSTATE, FALSE, 0);
  ::EnableWindow(header.Handle(), FALSE);
  check("disabled");
}

TEST(BitmapButtonStates, EachStateUsesItsImageWhenThereIsOne) {
  auto solid = [](COLORREF c) {
    ui::ClientDC screen(nullptr);
    ui::Bitmap b(::CreateCompatibleBitmap(screen.Get(), 4, 4));
    ui::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    ui::SelectGuard sel(dc.Get(), b.Get());
    const RECT all{0, 0, 4, 4};
    ui::Brush brush(::CreateSolidBrush(c));
    ::FillRect(dc.Get(), &all, brush.Get());
    return b;
  };
  BitmapButton lamp;
  lamp.SetBitmaps(solid(RGB(10, 0, 0)), solid(RGB(20, 0, 0)), solid(RGB(30, 0, 0)), solid(RGB(40, 0, 0)));
  EXPECT_EQ(lamp.NormalBitmap(), lamp.ImageForState(0));
  EXPECT_NE(lamp.NormalBitmap(), lamp.ImageForState(ODS_SELECTED));
  EXPECT_NE(lamp.ImageForState(ODS_SELECTED), lamp.ImageForState(ODS_FOCUS));
  EXPECT_NE(lamp.ImageForState(ODS_FOCUS), lamp.ImageForState(ODS_DISABLED));
  EXPECT_EQ(lamp.ImageForState(ODS_SELECTED), lamp.ImageForState(ODS_SELECTED | ODS_FOCUS));

  lamp.SetBitmaps(solid(RGB(50, 0, 0)));  // switched at run time, normal image only
  EXPECT_EQ(lamp.NormalBitmap(), lamp.ImageForState(ODS_SELECTED | ODS_FOCUS | ODS_DISABLED));
}

}  // namespace
}  // namespace dockline::controls
