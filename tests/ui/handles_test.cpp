#include "ui/handles.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/drawing.h"

namespace dockline::ui {
namespace {

bool Alive(HGDIOBJ h) { return ::GetObjectType(h) != 0; }

TEST(GdiHandles, EachKindIsReleasedWhenItsOwnerGoes) {
  HPEN pen;
  HBRUSH brush;
  HFONT font;
  HBITMAP bitmap;
  HRGN region;
  {
    Pen p(::CreatePen(PS_SOLID, 2, RGB(1, 2, 3)));
    Brush b(::CreateSolidBrush(RGB(4, 5, 6)));
    Font f = CreatePointFont(96, L"Arial");
    Bitmap bm(::CreateBitmap(4, 4, 1, 32, nullptr));
    Region r(::CreateRectRgn(0, 0, 5, 5));
    pen = p.Get();
    brush = b.Get();
    font = f.Get();
    bitmap = bm.Get();
    region = r.Get();
    for (HGDIOBJ h : std::vector<HGDIOBJ>{pen, brush, font, bitmap, region}) EXPECT_TRUE(Alive(h));
  }
  for (HGDIOBJ h : std::vector<HGDIOBJ>{pen, brush, font, bitmap, region}) EXPECT_FALSE(Alive(h));
}

TEST(GdiHandles, MovingTransfersOwnershipAndAssignmentReleasesThePrevious) {
  Brush a(::CreateSolidBrush(RGB(1, 1, 1)));
  HBRUSH first = a.Get();
  Brush b(std::move(a));
  EXPECT_FALSE(a);
  EXPECT_EQ(first, b.Get());
  EXPECT_TRUE(Alive(first));

  Brush c(::CreateSolidBrush(RGB(2, 2, 2)));
  HBRUSH second = c.Get();
  c = std::move(b);
  EXPECT_FALSE(Alive(second));
  EXPECT_EQ(first, c.Get());

  HBRUSH released = c.Release();
  EXPECT_FALSE(c);
  EXPECT_TRUE(Alive(released));
  ::DeleteObject(released);
}

TEST(GdiHandles, ManyObjectsMadeAndDroppedLeaveTheProcessCountUnchanged) {
  const DWORD before = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  for (int i = 0; i < 500; ++i) {
    Pen p(::CreatePen(PS_SOLID, 1, RGB(i % 256, 0, 0)));
    Brush b(::CreateSolidBrush(RGB(0, i % 256, 0)));
    Bitmap bm(::CreateBitmap(2, 2, 1, 32, nullptr));
    ASSERT_TRUE(p && b && bm);
  }
  // Some systems do not count (the answer is then 0 both times).
  EXPECT_EQ(before, ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS));
}

TEST(DcGuards, SelectionIsRestoredBeforeTheObjectIsDeleted) {
  MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  HGDIOBJ stockPen = ::GetCurrentObject(dc.Get(), OBJ_PEN);
  HPEN made;
  {
    Pen pen(::CreatePen(PS_SOLID, 1, RGB(9, 9, 9)));
    made = pen.Get();
    SelectGuard guard(dc.Get(), pen.Get());
    EXPECT_EQ(made, ::GetCurrentObject(dc.Get(), OBJ_PEN));
  }
  EXPECT_EQ(stockPen, ::GetCurrentObject(dc.Get(), OBJ_PEN));
  EXPECT_FALSE(Alive(made));  // deselected first, so the delete worked

  {
    SavedDcState saved(dc.Get());
    ::SetTextColor(dc.Get(), RGB(1, 2, 3));
    ::SetBkMode(dc.Get(), TRANSPARENT);
  }
  EXPECT_NE(RGB(1, 2, 3), ::GetTextColor(dc.Get()));
  EXPECT_EQ(OPAQUE, ::GetBkMode(dc.Get()));
}

TEST(KernelHandles, CloseOnceAndTreatBothNoHandleValuesAsEmpty) {
  HANDLE event;
  {
    KernelHandle h(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(h);
    event = h.Get();
    DWORD flags = 0;
    EXPECT_TRUE(::GetHandleInformation(event, &flags));
  }
  DWORD flags = 0;
  EXPECT_FALSE(::GetHandleInformation(event, &flags));

  KernelHandle invalid(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(invalid);
  KernelHandle none;
  EXPECT_FALSE(none);
}

TEST(CursorAndIcon, CreatedOnesAreDestroyed) {
  const BYTE andMask[32 * 4] = {};
  const BYTE xorMask[32 * 4] = {};
  HCURSOR raw = ::CreateCursor(::GetModuleHandleW(nullptr), 0, 0, 32, 32, andMask, xorMask);
  ASSERT_NE(nullptr, raw);
  { Cursor c(raw); }
  ICONINFO info{};
  EXPECT_FALSE(::GetIconInfo(raw, &info));
}

}  // namespace
}  // namespace dockline::ui
