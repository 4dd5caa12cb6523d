#include "ui/dpi.h"

#include <cwchar>

namespace dockline::ui {
namespace {

bool HasClass(HWND hwnd, const wchar_t* name) {
  wchar_t buffer[32] = {};
  return ::GetClassNameW(hwnd, buffer, 32) > 0 && ::_wcsicmp(buffer, name) == 0;
}

// A picture static sizes itself to its picture, which is in pixels already.
bool KeepsPictureSize(HWND control) {
  if (!HasClass(control, L"Static")) return false;
  const LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
  const LONG_PTR type = style & SS_TYPEMASK;
  return (type == SS_BITMAP || type == SS_ICON || type == SS_ENHMETAFILE) &&
         !(style & (SS_REALSIZECONTROL | SS_CENTERIMAGE));
}

// The template font again at the layout resolution. The dialog manager made
// it from a whole point size; that size is recovered from the pixel height
// (a point is more than a pixel above 72 dpi) so the height is rounded the
// way a 96-dpi screen would round it.
Font LayoutFont(HFONT font, int dpi) {
  LOGFONTW lf{};
  if (!::GetObjectW(font, sizeof lf, &lf)) return Font();
  if (lf.lfHeight < 0) {
    const int points = ::MulDiv(-lf.lfHeight, 72, dpi);
    lf.lfHeight = points > 0 ? -::MulDiv(points, kLayoutDpi, 72) : ::MulDiv(lf.lfHeight, kLayoutDpi, dpi);
  } else {
    lf.lfHeight = ::MulDiv(lf.lfHeight, kLayoutDpi, dpi);
  }
  lf.lfWidth = ::MulDiv(lf.lfWidth, kLayoutDpi, dpi);
  return Font(::CreateFontIndirectW(&lf));
}

struct BaseUnits {
  SIZE from;
  SIZE to;
  int X(int pixels) const { return RemapDialogLength(pixels, from.cx, to.cx, 4); }
  int Y(int pixels) const { return RemapDialogLength(pixels, from.cy, to.cy, 8); }
};

RECT RectInParent(HWND hwnd, HWND parent) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void LayOutControl(HWND control, HWND dialog, const BaseUnits& units, HFONT templateFont, HFONT font) {
  // The font first: a combo box takes its closed height from it.
  if (reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)) == templateFont) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  const RECT r = RectInParent(control, dialog);
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  if (HasClass(control, L"ComboBox")) {
    // Its window is the closed box; the template's height is the open one.
    RECT open{};
    if (::SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&open))) {
      height = open.bottom - open.top;
    }
  }
  if (!KeepsPictureSize(control)) {
    width = units.X(width);
    height = units.Y(height);
  }
  ::SetWindowPos(control, nullptr, units.X(r.left), units.Y(r.top), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOutFrame(HWND dialog, const BaseUnits& units) {
  RECT client{};
  RECT frame{};
  ::GetClientRect(dialog, &client);
  ::GetWindowRect(dialog, &frame);
  // The frame keeps the system's own borders and caption; only the client
  // area came from the template.
  const int width = (frame.right - frame.left) - client.right + units.X(client.right);
  const int height = (frame.bottom - frame.top) - client.bottom + units.Y(client.bottom);
  const LONG_PTR style = ::GetWindowLongPtrW(dialog, GWL_STYLE);
  POINT at{frame.left, frame.top};
  if (style & WS_CHILD) {
    const RECT r = RectInParent(dialog, ::GetParent(dialog));
    at = {units.X(r.left), units.Y(r.top)};
  } else if (style & (DS_CENTER | DS_CENTERMOUSE)) {
    at = {frame.left + ((frame.right - frame.left) - width) / 2, frame.top + ((frame.bottom - frame.top) - height) / 2};
  }
  ::SetWindowPos(dialog, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int ScreenDpi() {
  ClientDC screen(nullptr);
  return screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : kLayoutDpi;
}

SIZE DialogBaseUnits(HFONT font) {
  SIZE units{0, 0};
  ClientDC screen(nullptr);
  if (!screen.Get() || !font) return units;
  SelectGuard select(screen.Get(), font);
  TEXTMETRICW metrics{};
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE letters{0, 0};
  if (!::GetTextMetricsW(screen.Get(), &metrics) || !::GetTextExtentPoint32W(screen.Get(), kLetters, 52, &letters)) {
    return units;
  }
  units.cx = (letters.cx / 26 + 1) / 2;
  units.cy = metrics.tmHeight;
  return units;
}

int RemapDialogLength(int pixels, int fromBase, int toBase, int unitsPerBase) {
  if (fromBase <= 0 || toBase <= 0 || unitsPerBase <= 0) return pixels;
  const int dialogUnits = ::MulDiv(pixels, unitsPerBase, fromBase);
  return ::MulDiv(dialogUnits, toBase, unitsPerBase);
}

Font LayoutStockFont(int stockFont) {
  const int dpi = ScreenDpi();
  if (dpi <= 0 || dpi == kLayoutDpi) return Font();
  return LayoutFont(static_cast<HFONT>(::GetStockObject(stockFont)), dpi);
}

Font LayOutAtLayoutDpi(HWND dialog) {
  const int dpi = ScreenDpi();
  if (!dialog || dpi <= 0 || dpi == kLayoutDpi) return Font();
  // Without a template font the dialog stands in the system font, which
  // the system sizes for the screen itself; it is left as it is.
  const auto templateFont = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
  if (!templateFont) return Font();
  Font font = LayoutFont(templateFont, dpi);
  RECT base{0, 0, 4, 8};  // one base unit across and down
  if (!font || !::MapDialogRect(dialog, &base)) return Font();
  const BaseUnits units{{base.right, base.bottom}, DialogBaseUnits(font.Get())};
  if (units.from.cx <= 0 || units.from.cy <= 0 || units.to.cx <= 0 || units.to.cy <= 0) return Font();

  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    LayOutControl(child, dialog, units, templateFont, font.Get());
  }
  LayOutFrame(dialog, units);
  return font;
}

}  // namespace dockline::ui
