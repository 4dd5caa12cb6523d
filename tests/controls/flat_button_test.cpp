#include "controls/flat_button.h"

#include <gtest/gtest.h>

#include "ui/handles.h"
#include "ui/ui_test_support.h"

namespace dockline::controls {
namespace {

TEST(FlatButtonTest, AttachedButtonIsOwnerDrawnThroughItsParentAndTheParentStillGetsTheClick) {
  testing::TestHost host;
  ASSERT_TRUE(host.Open());
  FlatButton button;
  ASSERT_TRUE(button.Attach(::CreateWindowExW(0, L"BUTTON", L"下载", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 84,
                                              26, host.Handle(), reinterpret_cast<HMENU>(1023), nullptr, nullptr)));
  EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongPtrW(button.Handle(), GWL_STYLE) & BS_TYPEMASK);
  // Painted by the button, not the system, once the parent reflects the request.
  ui::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  BITMAPINFO bi{{sizeof bi.bmiHeader, 84, -26, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  void* bits = nullptr;
  ui::Bitmap bitmap(::CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  ui::SelectGuard select(dc.Get(), bitmap.Get());
  ::SendMessageW(button.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
  EXPECT_EQ(RGB(232, 223, 236), ::GetPixel(dc.Get(), 0, 0));
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ((std::vector<std::pair<int, int>>{{1023, BN_CLICKED}}), host.commands);
}

}  // namespace
}  // namespace dockline::controls
