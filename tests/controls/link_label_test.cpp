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

TEST_F(LinkLabelTest, PageTitleIsWhiteTextOnABlueBoxInAOnePixelFrame) {
  Attach(std::string(45, ' ') + "请选择你要下载的文件", 487, 20);
  label.SetFrame(true, RGB(255, 0, 0));  // the title's frame is blue too; red tells it from the box
  label.SetBoxColor(kTitleBlue);
  label.SetLabelTextColor(RGB(255, 255, 255));
  label.EnableHover(false);
  Canvas canvas(487, 20);
  canvas.Print(label.Handle());
  for (POINT frame : {POINT{0, 0}, POINT{486, 19}, POINT{0, 10}, POINT{200, 0}}) {
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(frame.x, frame.y));
  }
  EXPECT_EQ(kTitleBlue, canvas.At(1, 1));
  EXPECT_EQ(kTitleBlue, canvas.At(485, 18));
  const RECT box{1, 1, 486, 19};
  EXPECT_GT(canvas.Count(RGB(255, 255, 255), box), 0);
  EXPECT_EQ(0, canvas.Count(RGB(255, 255, 255), RECT{1, 1, 100, 19}));  // the leading spaces
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
