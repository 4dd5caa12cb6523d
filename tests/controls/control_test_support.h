#pragma once
// Rendering controls into memory and reading their pixels back.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/handles.h"
#include "ui/ui_test_support.h"
#include "ui/window.h"

namespace dockline::testing {

inline constexpr COLORREF kMarker = RGB(1, 2, 3);  // "nothing drawn here"

// A 32-bit DIB section selected into a memory DC, pre-filled with a colour.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill = kMarker) : width_(width), height_(height) {
    dc_.Reset(::CreateCompatibleDC(nullptr));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
    previous_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    const RECT all{0, 0, width, height};
    ui::Brush brush(::CreateSolidBrush(fill));
    ::FillRect(dc_.Get(), &all, brush.Get());
  }
  ~Canvas() { ::SelectObject(dc_.Get(), previous_); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return dc_.Get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    const DWORD v = bits_[static_cast<std::size_t>(y) * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  int Count(const std::function<bool(COLORREF)>& match, RECT r) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += match(At(x, y)) ? 1 : 0;
    return n;
  }
  int Count(COLORREF c, RECT r) const {
    return Count([c](COLORREF p) { return p == c; }, r);
  }
  RECT All() const { return RECT{0, 0, width_, height_}; }
  // Bounding box of the pixels that match, if any.
  std::optional<RECT> Bounds(const std::function<bool(COLORREF)>& match, RECT r) const {
    std::optional<RECT> box;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        if (!match(At(x, y))) continue;
        if (!box) {
          box = RECT{x, y, x + 1, y + 1};
        } else {
          box->left = std::min<LONG>(box->left, x);
          box->top = std::min<LONG>(box->top, y);
          box->right = std::max<LONG>(box->right, x + 1);
          box->bottom = std::max<LONG>(box->bottom, y + 1);
        }
      }
    return box;
  }
  // Asks a window to paint its client area into this canvas.
  void Print(HWND hwnd) { ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_.Get()), PRF_CLIENT); }

 private:
  int width_;
  int height_;
  ui::MemoryDcHandle dc_;
  ui::Bitmap bitmap_;
  DWORD* bits_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// Text ink: clearly darker than any face the controls paint (antialiased
// glyph pixels of thin strokes are mid grey, not black).
inline bool IsDark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 450; }

// A visible top-level window of the framework, white like the program's
// windows, recording the commands it receives.
class TestHost : public ui::Window {
 public:
  std::vector<std::pair<int, int>> commands;  // (id, code)
  std::vector<std::pair<WPARAM, LPARAM>> categorySelections;

  bool Open(int width = 400, int height = 300) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    ui::RegisterWindowClass(L"DocklineControlHost", CS_HREDRAW | CS_VREDRAW,
                            static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    if (!Create(L"DocklineControlHost", "host", WS_POPUP | WS_CLIPCHILDREN, 0, RECT{40, 40, 40 + width, 40 + height},
                nullptr)) {
      return false;
    }
    font_.Reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"宋体"));
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(Handle());
    return true;
  }
  HFONT Font() const { return font_.Get(); }

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override {
    switch (m.message) {
      case WM_COMMAND:
        commands.emplace_back(LOWORD(m.wParam), HIWORD(m.wParam));
        result = 0;
        return true;
      case WM_USER + 2:
        categorySelections.emplace_back(m.wParam, m.lParam);
        result = 0;
        return true;
      case WM_GETFONT:
        result = reinterpret_cast<LRESULT>(font_.Get());
        return true;
      default:
        return false;
    }
  }

 private:
  ui::Font font_;
};

}  // namespace dockline::testing
