#pragma once
// Small drawing helpers shared by the controls and the pages.
#include <windows.h>

#include <string_view>

#include "ui/handles.h"

namespace dockline::ui {

// A font of `tenthsOfPoint` tenths of a point at the skin's 96 dpi (96 tenths:
// a character height of 12 pixels), or at a printer's own resolution.
Font CreatePointFont(int tenthsOfPoint, const wchar_t* face, HDC dc = nullptr);

void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour);

// Size of a single line of UTF-8 text in the DC's current font.
SIZE TextExtent(HDC dc, std::string_view utf8);
void DrawTextAt(HDC dc, int x, int y, std::string_view utf8);

// An off-screen drawing context over a target: drawing in the target's
// coordinates lands in a bitmap of the target's clip box, which is copied onto
// the target in one step when the MemoryDC goes away, so a control that paints
// everything does not flicker. Over a printer it draws on the target directly.
class MemoryDC {
 public:
  explicit MemoryDC(HDC target);
  ~MemoryDC();
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;

  HDC Get() const { return offScreen_ ? memory_.Get() : target_; }

 private:
  HDC target_;
  bool offScreen_ = false;
  RECT area_{};
  MemoryDcHandle memory_;
  Bitmap bitmap_;
  HGDIOBJ previous_ = nullptr;
};

// A bitmap selected into a memory DC that matches `target`, to blit from;
// the selection is undone and the DC deleted when it goes.
class BitmapSource {
 public:
  BitmapSource(HDC target, HBITMAP bitmap);
  HDC Get() const { return dc_.Get(); }
  explicit operator bool() const { return static_cast<bool>(dc_); }

 private:
  MemoryDcHandle dc_;
  SelectGuard select_;
};

// Copies the bitmap's top-left width × height pixels to (x, y); a bitmap
// smaller than that gives what it has. false when nothing could be drawn.
bool DrawBitmap(HDC target, int x, int y, int width, int height, HBITMAP bitmap);
// The whole bitmap at its own size.
bool DrawBitmap(HDC target, int x, int y, HBITMAP bitmap);

// Copies (or stretches) the source image onto the target, leaving the target
// visible wherever the image has the colour `transparent`: a monochrome mask
// is made from that colour, the image's transparent pixels are blackened, the
// mask is ANDed into the target and the image ORed on top.
bool TransparentBlit(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                     int sourceWidth, int sourceHeight, COLORREF transparent);
// The same for a whole bitmap, drawn at its own size.
bool DrawBitmapTransparent(HDC target, int x, int y, HBITMAP bitmap, COLORREF transparent);

}  // namespace dockline::ui
