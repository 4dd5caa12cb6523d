#include "controls/link_label.h"

#include <gtest/gtest.h>

#include <string>

#include "control_test_support.h"
#include "platform/win32/wide.h"

namespace dockline::controls {
namespace {

using testing::Canvas;

constexpr COLORREF kTitleBlue = RGB(0, 105, 165);
constexpr COLORREF kStateBlue = RGB(41, 73, 148);

class LinkLabelTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.Open(500, 200)); }
  void Attach(const std::string& text, int width, int height) {
    HWND s = ::CreateWindowExW(0, L"STATIC", platform::Wide(text).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0,
                               width, height, host.Handle(), reinterpret_cast<HMENU>(1015), nullptr, nullptr);
    ASSERT_TRUE(label.Attach(s));
  }
  void Move(int x, int y) { ::SendMessageW(label.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

  testing::TestHost host;
  LinkLabel label;
};

TEST_F(LinkLabelTest, PageTitleIsWhiteTextOnABlueFramedBoxAfterItsLeadingSpaces) {
  Attach(std::string(45, ' ') + "请选择你要下载的文件", 487, 20);
  EXPECT_TRUE(::GetWindowLongPtrW(label.Handle(), GWL_STYLE) & SS_NOTIFY);
  EXPECT_EQ(reinterpret_cast<LRESULT>(host.Font()), ::SendMessageW(label.Handle(), WM_GETFONT, 0, 0));
  label.SetFrame(true, kTitleBlue);
  label.SetBoxColor(kTitleBlue);
  label.SetLabelTextColor(RGB(255, 255, 255));
  label.EnableHover(false);
  Canvas canvas(487, 20);
  canvas.Print(label.Handle());
  EXPECT_EQ(kTitleBlue, canvas.At(0, 0));
  EXPECT_EQ(kTitleBlue, canvas.At(486, 19));
  const auto ink = canvas.Bounds([](COLORREF c) { return c != kTitleBlue; }, canvas.All());
  ASSERT_TRUE(ink.has_value());
  EXPECT_GT(canvas.Count(RGB(255, 255, 255), *ink), 0);
  ui::SelectGuard font(canvas.Dc(), host.Font());
  SIZE spaces{};
  ::GetTextExtentPoint32W(canvas.Dc(), std::wstring(45, L' ').c_str(), 45, &spaces);
  EXPECT_GE(ink->left, 4 + spaces.cx);  // the text starts 4 pixels in, after its spaces
  EXPECT_LT(ink->left, 4 + spaces.cx + 4);
  EXPECT_NEAR(10, (ink->top + ink->bottom) / 2, 2);  // centred by the font's line height

  label.SetFrame(true, RGB(255, 0, 0));  // a frame of another colour: one pixel around the box
  Canvas framed(487, 20);
  framed.Print(label.Handle());
  EXPECT_EQ(RGB(255, 0, 0), framed.At(0, 10));
  EXPECT_EQ(kTitleBlue, framed.At(1, 10));
}

TEST_F(LinkLabelTest, UnframedLabelWithHoverOffDrawsNoBoxAndIgnoresTheMouse) {
  Attach("U盘状态:", 60, 14);
  label.EnableHover(false);
  label.SetBoxColor(RGB(255, 0, 0));
  label.SetLabelTextColor(kStateBlue);
  Canvas canvas(60, 14);
  canvas.Print(label.Handle());
  EXPECT_EQ(0, canvas.Count(RGB(255, 0, 0), canvas.All()));
  EXPECT_EQ(testing::kMarker, canvas.At(0, 0));  // the parent's paint shows through
  EXPECT_GT(canvas.Count(kStateBlue, canvas.All()), 0);
  Move(10, 5);
  EXPECT_FALSE(label.MouseInside());
  EXPECT_EQ(nullptr, ::GetCapture());
  EXPECT_EQ(kStateBlue, label.TextColour());
}

TEST_F(LinkLabelTest, PictureIsCopiedUnscaledFromTheTopLeftCorner) {
  Attach("", 120, 58);
  label.SetBackgroundPicture(testing::Picture(100, 49, RGB(0, 128, 0)));
  Canvas canvas(120, 58);
  canvas.Print(label.Handle());
  EXPECT_EQ(RGB(0, 128, 0), canvas.At(0, 0));
  EXPECT_EQ(RGB(0, 128, 0), canvas.At(99, 48));
  EXPECT_EQ(testing::kMarker, canvas.At(100, 10));
  EXPECT_EQ(testing::kMarker, canvas.At(10, 49));
}

TEST_F(LinkLabelTest, MouseOverTheLogoCapturesTurnsBlueAndShowsItsPointerUntilItLeaves) {
  Attach("logo", 120, 58);
  label.SetLabelTextColor(kStateBlue);
  const BYTE andMask[32 * 4] = {}, xorMask[32 * 4] = {0xFF};
  HCURSOR pointer = ::CreateCursor(::GetModuleHandleW(nullptr), 0, 0, 32, 32, andMask, xorMask);
  label.SetHoverPointer(ui::Cursor(pointer));
  for (int visit = 0; visit < 2; ++visit) {
    Move(10, 10);
    EXPECT_TRUE(label.MouseInside());
    EXPECT_EQ(label.Handle(), ::GetCapture());
    EXPECT_EQ(RGB(0, 0, 255), label.TextColour());
    EXPECT_EQ(pointer, ::GetCursor());
    Move(119, 57);  // still inside
    EXPECT_EQ(label.Handle(), ::GetCapture());
    Move(130, 40);  // outside: the capture is given back
    EXPECT_FALSE(label.MouseInside());
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_EQ(kStateBlue, label.TextColour());
  }
  // Capture taken away by another window ends the hover as leaving does.
  Move(10, 10);
  ::SetCapture(host.Handle());
  EXPECT_FALSE(label.MouseInside());
  EXPECT_EQ(kStateBlue, label.TextColour());
  ::ReleaseCapture();
}

TEST_F(LinkLabelTest, PressReachesTheParentAsTheControlsClick) {
  Attach("", 120, 58);
  ::SendMessageW(label.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageW(label.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ASSERT_FALSE(host.commands.empty());
  EXPECT_EQ(std::make_pair(1015, static_cast<int>(STN_CLICKED)), host.commands[0]);
}

}  // namespace
}  // namespace dockline::controls
