#include "controls/flat_button.h"

#include <algorithm>
#include <string>

#include "controls/bitmap_button.h"
#include "platform/win32/wide.h"
#include "ui/drawing.h"
#include "ui/handles.h"

namespace dockline::controls {

COLORREF FlatButton::Shade(int i, bool hover, bool highlighted) {
  const int redGreen = 255 - (hover ? i / 4 : i / 3);
  int blue;
  if (!hover) {
    blue = 255 - (highlighted ? i / 4 : i / 5);
  } else {
    blue = 255 - (highlighted ? i / 3 : i / 5);
  }
  return RGB(redGreen, redGreen, blue);
}

void FlatButton::Draw(HDC dc, const RECT& item, UINT itemState) {
  ui::SavedDcState saved(dc);
  const std::wstring caption = platform::Wide(Text());

  ::SetDCBrushColor(dc, kFrame);
  ::FrameRect(dc, &item, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  const bool focused = (itemState & ODS_FOCUS) != 0;
  highlighted_ = focused || (itemState & (ODS_SELECTED | ODS_DEFAULT)) != 0;

  RECT inner = item;
  ::InflateRect(&inner, -::GetSystemMetrics(SM_CXEDGE), -::GetSystemMetrics(SM_CYEDGE));
  DrawFace(dc, inner);
  if (Hover() || focused) DrawHoverBorder(dc, inner);

  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0));
  ui::SelectGuard fontSel(dc, font);
  SIZE size{0, 0};
  ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  int x = (inner.left + inner.right) / 2 - size.cx / 2;
  int y = (inner.top + inner.bottom) / 2 - size.cy / 2;
  if (itemState & ODS_SELECTED) {  // pressed: the caption sinks by one pixel
    ++x;
    ++y;
  }
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const UINT disabled = (itemState & ODS_DISABLED) ? DSS_DISABLED : DSS_NORMAL;
  ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(caption.c_str()), static_cast<WPARAM>(caption.size()), x,
               y, size.cx, size.cy, DST_PREFIXTEXT | disabled);
  ::SetBkMode(dc, oldMode);
}

void FlatButton::DrawFace(HDC dc, const RECT& inner) {
  const int left = inner.left;
  const int top = inner.top;
  const int height = inner.bottom - top;
  const int width = inner.right - left;
  if (height <= 0 || width <= 0) return;
  // The bounds come from the height and width plus the usual 2-pixel edge,
  // the shade from the row's own coordinate: rows top..bottom (inclusive)
  // and columns left..right-1 are painted, the last rows with shade 63.
  for (int y = top; y <= height + 2; ++y) {
    const int shade = std::min(63, 63 * y / height);
    const RECT row{left, y, width + 2, y + 1};
    ui::FillSolidRect(dc, row, Shade(shade, Hover(), highlighted_));
  }
}

void FlatButton::DrawHoverBorder(HDC, const RECT&) {}

}  // namespace dockline::controls
