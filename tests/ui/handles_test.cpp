#include "ui/handles.h"

#include <gtest/gtest.h>

#include <utility>

#include "ui/drawing.h"

namespace dockline::ui {
namespace {

bool Alive(HGDIOBJ h) { return ::GetObjectType(h) != 0; }

TEST(Handles, EachKindIsReleasedOnceByItsOneOwner) {
  HFONT font;
  HCURSOR cursor;
  HANDLE event;
  {
    Font f = CreatePointFont(96, L"Arial");
    const BYTE andMask[32 * 4] = {}, xorMask[32 * 4] = {};
    Cursor c(::CreateCursor(::GetModuleHandleW(nullptr), 0, 0, 32, 32, andMask, xorMask));
    KernelHandle k(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(f && c && k);
    font = f.Get();
    cursor = c.Get();
    event = k.Get();
  }
  EXPECT_FALSE(Alive(font));
  ICONINFO info{};
  EXPECT_FALSE(::GetIconInfo(cursor, &info));
  DWORD flags = 0;
  EXPECT_FALSE(::GetHandleInformation(event, &flags));
  EXPECT_FALSE(KernelHandle(INVALID_HANDLE_VALUE));  // the API's other "no handle"

  Brush a(::CreateSolidBrush(RGB(1, 1, 1)));
  HBRUSH first = a.Get();
  Brush b(std::move(a));
  EXPECT_FALSE(a);
  Brush c(::CreateSolidBrush(RGB(2, 2, 2)));
  HBRUSH second = c.Get();
  c = std::move(b);  // releases what c held
  EXPECT_FALSE(Alive(second));
  EXPECT_EQ(first, c.Get());
  HBRUSH released = c.Release();
  EXPECT_FALSE(c);
  EXPECT_TRUE(Alive(released));
  ::DeleteObject(released);
}

TEST(DcGuards, SelectionAndStateAreRestoredSoTheObjectCanBeDeleted) {
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
  }
  EXPECT_NE(RGB(1, 2, 3), ::GetTextColor(dc.Get()));
}

}  // namespace
}  // namespace dockline::ui
