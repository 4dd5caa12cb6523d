#include "controls/link_label.h"

#include <gtest/gtest.h>

#include <string>

#include "control_test_support.h"
#include "platform/win32/wide.h"

namespace dockline::controls {
namespace {

using testing::Canvas;
using testing::TestHost;

constexpr COLORREF kTitleBlue = RGB(0, 105, 165);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kStateBlue = RGB(41, 73, 148);
const std::string kTitle = std::string(45, ' ') + "请选择你要下载的文件";

class LinkLabelTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.Open(500, 200)); }
  HWND MakeStatic(int id, const std::string& text, int x, int y, int w, int h) {
    HWND s = ::CreateWindowExW(0, L"STATIC", platform::Wide(text).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, x, y, w, h,
                               host.Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    return s;
  }
  static ui::Bitmap Picture(int w, int h, COLORREF colour) {
    ui::ClientDC screen(nullptr);
    ui::Bitmap b(::CreateCompatibleBitmap(screen.Get(), w, h));
    ui::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    ui::SelectGuard sel(dc.Get(), b.Get());
    const RECT all{0, 0, w, h};
    ui::Brush brush(::CreateSolidBrush(colour));
    ::FillRect(dc.Get(), &all, brush.Get());
    return b;
  }
  void Move(LinkLabel& label, int x, int y) {
    ::SendMessageW(label.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  }

  TestHost host;
};

TEST_F(LinkLabelTest, AttachingAsksForClicksAndTakesTheParentsFont) {
  LinkLabel label;
  ASSERT_TRUE(label.Attach(MakeStatic(1016, "U盘状态:", 0, 0, 60, 14)));
  EXPECT_TRUE(::GetWindowLongPtrW(label.Handle(), GWL_STYLE) & SS_NOTIFY);
  EXPECT_EQ(reinterpret_cast<LRESULT>(host.Font()), ::SendMessageW(label.Handle(), WM_GETFONT, 0, 0));
}

TEST_F(LinkLabelTest, PageTitleIsWhiteTextOnABlueFramedBoxAfterItsLeadingSpaces) {
  LinkLabel title;
  ASSERT_TRUE(title.Attach(MakeStatic(1017, kTitle, 0, 0, 487, 20)));
  title.SetFrame(true, kTitleBlue);
  title.SetBoxColor(kTitleBlue);
  title.SetLabelTextColor(kWhite);
  title.EnableHover(false);
  Canvas canvas(487, 20);
  canvas.Print(title.Handle());
  EXPECT_EQ(kTitleBlue, canvas.At(0, 0));
  EXPECT_EQ(kTitleBlue, canvas.At(486, 19));
  EXPECT_EQ(kTitleBlue, canvas.At(2, 2));
  EXPECT_GT(canvas.Count(kWhite, canvas.All()), 0);
  const RECT inside{1, 1, 486, 19};
  const auto ink = canvas.Bounds([](COLORREF c) { return c != kTitleBlue; }, inside);
  ASSERT_TRUE(ink.has_value());
  HDC dc = canvas.Dc();
  ui::SelectGuard font(dc, host.Font());
  SIZE spaces{};
  ::GetTextExtentPoint32W(dc, std::wstring(45, L' ').c_str(), 45, &spaces);
  EXPECT_GE(ink->left, LinkLabel::kTextLeft + spaces.cx);
  EXPECT_LT(ink->left, LinkLabel::kTextLeft + spaces.cx + 4);
  // Vertically centred by the font's line height.
  EXPECT_NEAR(10, (ink->top + ink->bottom) / 2, 2);
}

TEST_F(LinkLabelTest, UnframedLabelDrawsNoBoxEvenWithABoxColour) {
  LinkLabel state;
  ASSERT_TRUE(state.Attach(MakeStatic(1016, "U盘状态:", 0, 0, 60, 14)));
  state.EnableHover(false);
  state.SetBoxColor(RGB(255, 0, 0));
  state.SetLabelTextColor(kStateBlue);
  Canvas canvas(60, 14);
  canvas.Print(state.Handle());
  EXPECT_EQ(0, canvas.Count(RGB(255, 0, 0), canvas.All()));
  EXPECT_EQ(testing::kMarker, canvas.At(0, 0));  // the parent's paint shows through
  EXPECT_GT(canvas.Count(kStateBlue, canvas.All()), 0);
}

TEST_F(LinkLabelTest, PictureIsCopiedUnscaledFromTheTopLeftCorner) {
  LinkLabel logo;
  ASSERT_TRUE(logo.Attach(MakeStatic(1015, "", 0, 0, 120, 58)));
  logo.SetBackgroundPicture(Picture(100, 49, RGB(0, 128, 0)));
  Canvas canvas(120, 58);
  canvas.Print(logo.Handle());
  EXPECT_EQ(RGB(0, 128, 0), canvas.At(0, 0));
  EXPECT_EQ(RGB(0, 128, 0), canvas.At(99, 48));
  EXPECT_EQ(testing::kMarker, canvas.At(100, 10));
  EXPECT_EQ(testing::kMarker, canvas.At(10, 49));
}

TEST_F(LinkLabelTest, MouseOverTheLogoCapturesTurnsBlueAndShowsItsPointerUntilItLeaves) {
  LinkLabel logo;
  ASSERT_TRUE(logo.Attach(MakeStatic(1015, "logo", 0, 0, 120, 58)));
  const BYTE andMask[32 * 4] = {};
  const BYTE xorMask[32 * 4] = {0xFF};
  HCURSOR pointer = ::CreateCursor(::GetModuleHandleW(nullptr), 0, 0, 32, 32, andMask, xorMask);
  logo.SetHoverPointer(ui::Cursor(pointer));

  Move(logo, 10, 10);
  EXPECT_TRUE(logo.MouseInside());
  EXPECT_EQ(logo.Handle(), ::GetCapture());
  EXPECT_EQ(LinkLabel::kHoverText, logo.TextColour());
  EXPECT_EQ(pointer, ::GetCursor());

  Move(logo, 100, 40);  // still inside
  EXPECT_EQ(logo.Handle(), ::GetCapture());

  Move(logo, 130, 40);  // outside: the capture is given back
  EXPECT_FALSE(logo.MouseInside());
  EXPECT_EQ(nullptr, ::GetCapture());
  EXPECT_EQ(RGB(0, 0, 0), logo.TextColour());

  Move(logo, 5, 5);  // and taken again on the next visit
  EXPECT_EQ(logo.Handle(), ::GetCapture());
  ::ReleaseCapture();
}

TEST_F(LinkLabelTest, CaptureTakenAwayEndsTheHover) {
  LinkLabel logo;
  ASSERT_TRUE(logo.Attach(MakeStatic(1015, "logo", 0, 0, 120, 58)));
  logo.SetLabelTextColor(kStateBlue);
  Move(logo, 10, 10);
  ASSERT_EQ(logo.Handle(), ::GetCapture());
  ::SetCapture(host.Handle());
  EXPECT_FALSE(logo.MouseInside());
  EXPECT_EQ(kStateBlue, logo.TextColour());
  ::ReleaseCapture();
}

TEST_F(LinkLabelTest, WithHoverOffMovesAreIgnored) {
  LinkLabel state;
  ASSERT_TRUE(state.Attach(MakeStatic(1016, "U盘状态:", 0, 0, 60, 14)));
  state.EnableHover(false);
  state.SetLabelTextColor(kStateBlue);
  Move(state, 10, 5);
  EXPECT_FALSE(state.MouseInside());
  EXPECT_EQ(nullptr, ::GetCapture());
  EXPECT_EQ(kStateBlue, state.TextColour());
}

TEST_F(LinkLabelTest, PressReachesTheParentAsTheControlsClick) {
  LinkLabel logo;
  ASSERT_TRUE(logo.Attach(MakeStatic(1015, "", 0, 0, 120, 58)));
  ::SendMessageW(logo.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageW(logo.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ASSERT_FALSE(host.commands.empty());
  EXPECT_EQ(std::make_pair(1015, static_cast<int>(STN_CLICKED)), host.commands[0]);
}

}  // namespace
}  // namespace dockline::controls
