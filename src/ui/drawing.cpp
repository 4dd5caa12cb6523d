#include "ui/drawing.h"

#include <algorithm>
#include <string>

#include "platform/win32/wide.h"
#include "ui/dpi.h"
#include "ui/resources.h"

namespace dockline::ui {

Font CreatePointFont(int tenthsOfPoint, const wchar_t* face, HDC dc) {
  // On screen the skin's fonts keep their 96-dpi pixel height, like its
  // pictures, whatever resolution the system reports.
  int dpi = kLayoutDpi;
  if (dc && ::GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER) dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  LOGFONTW lf{};
  lf.lfHeight = -(tenthsOfPoint * dpi / 720);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  ::lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  return Font(::CreateFontIndirectW(&lf));
}

void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
  const COLORREF previous = ::SetBkColor(dc, colour);
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  ::SetBkColor(dc, previous);
}

SIZE TextExtent(HDC dc, std::string_view utf8) {
  const std::wstring w = platform::Wide(utf8);
  SIZE size{0, 0};
  ::GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
  return size;
}

void DrawTextAt(HDC dc, int x, int y, std::string_view utf8) {
  const std::wstring w = platform::Wide(utf8);
  ::TextOutW(dc, x, y, w.c_str(), static_cast<int>(w.size()));
}

MemoryDC::MemoryDC(HDC target) : target_(target) {
  if (::GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER) return;
  ::GetClipBox(target, &area_);
  const int width = area_.right - area_.left;
  const int height = area_.bottom - area_.top;
  if (width <= 0 || height <= 0) return;  // nothing visible: draw straight through
  memory_.Reset(::CreateCompatibleDC(target));
  bitmap_.Reset(::CreateCompatibleBitmap(target, width, height));
  if (!memory_ || !bitmap_) {
    memory_.Reset();
    bitmap_.Reset();
    return;
  }
  previous_ = ::SelectObject(memory_.Get(), bitmap_.Get());
  ::SetWindowOrgEx(memory_.Get(), area_.left, area_.top, nullptr);
  offScreen_ = true;
}

MemoryDC::~MemoryDC() {
  if (!offScreen_) return;
  ::BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, memory_.Get(),
           area_.left, area_.top, SRCCOPY);
  ::SelectObject(memory_.Get(), previous_);
}

BitmapSource::BitmapSource(HDC target, HBITMAP bitmap)
    : dc_(bitmap ? ::CreateCompatibleDC(target) : nullptr), select_(dc_.Get(), dc_ ? bitmap : nullptr) {}

bool DrawBitmap(HDC target, int x, int y, int width, int height, HBITMAP bitmap) {
  const SIZE size = BitmapSize(bitmap);
  width = std::min<int>(width, size.cx);
  height = std::min<int>(height, size.cy);
  if (width <= 0 || height <= 0) return false;
  BitmapSource source(target, bitmap);
  return source && ::BitBlt(target, x, y, width, height, source.Get(), 0, 0, SRCCOPY);
}

bool DrawBitmap(HDC target, int x, int y, HBITMAP bitmap) {
  const SIZE size = BitmapSize(bitmap);
  return DrawBitmap(target, x, y, size.cx, size.cy, bitmap);
}

bool TransparentBlit(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                     int sourceWidth, int sourceHeight, COLORREF transparent) {
  if (width <= 0 || height <= 0) return false;
  MemoryDcHandle imageDc(::CreateCompatibleDC(target));
  MemoryDcHandle maskDc(::CreateCompatibleDC(target));
  Bitmap image(::CreateCompatibleBitmap(target, width, height));
  Bitmap mask(::CreateBitmap(width, height, 1, 1, nullptr));
  if (!imageDc || !maskDc || !image || !mask) return false;
  SelectGuard imageSel(imageDc.Get(), image.Get());
  SelectGuard maskSel(maskDc.Get(), mask.Get());

  if (sourceWidth == width && sourceHeight == height) {
    ::BitBlt(imageDc.Get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);
  } else {
    ::StretchBlt(imageDc.Get(), 0, 0, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, SRCCOPY);
  }
  // Colour to monochrome: pixels of the background colour become 1 (white).
  ::SetBkColor(imageDc.Get(), transparent);
  ::BitBlt(maskDc.Get(), 0, 0, width, height, imageDc.Get(), 0, 0, SRCCOPY);
  // Monochrome to colour maps 1 to the background colour, 0 to the text
  // colour: AND with (1 -> black, 0 -> white) blackens the transparent pixels.
  ::SetBkColor(imageDc.Get(), RGB(0, 0, 0));
  ::SetTextColor(imageDc.Get(), RGB(255, 255, 255));
  ::BitBlt(imageDc.Get(), 0, 0, width, height, maskDc.Get(), 0, 0, SRCAND);
  // AND with (1 -> white, 0 -> black) keeps the target where transparent and
  // blackens the image's area, into which the image is then ORed.
  const COLORREF oldBk = ::SetBkColor(target, RGB(255, 255, 255));
  const COLORREF oldText = ::SetTextColor(target, RGB(0, 0, 0));
  ::BitBlt(target, x, y, width, height, maskDc.Get(), 0, 0, SRCAND);
  ::BitBlt(target, x, y, width, height, imageDc.Get(), 0, 0, SRCPAINT);
  ::SetBkColor(target, oldBk);
  ::SetTextColor(target, oldText);
  return true;
}

bool DrawBitmapTransparent(HDC target, int x, int y, HBITMAP bitmap, COLORREF transparent) {
  const SIZE size = BitmapSize(bitmap);
  if (size.cx <= 0 || size.cy <= 0) return false;
  BitmapSource source(target, bitmap);
  return source && TransparentBlit(target, x, y, size.cx, size.cy, source.Get(), 0, 0, size.cx, size.cy, transparent);
}

}  // namespace dockline::ui
