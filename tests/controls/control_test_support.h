#pragma once
// Rendering controls into memory and reading their pixels back.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "ui/handles.h"
#include "ui/ui_test_support.h"
#include "ui/window.h"

namespace dockline::testing {

inline constexpr COLORREF kMarker = RGB(1, 2, 3);  // "nothing drawn here"

// Text ink: clearly darker than any face the controls paint (antialiased
// glyph pixels of thin strokes are mid grey, not black).
inline bool IsDark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 450; }

// A 32-bit DIB section selected into a memory DC, pre-filled with a colour.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill = kMarker) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader = {static_cast<DWORD>(sizeof bi.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
    previous_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    Fill(All(), fill);
  }
  ~Canvas() { ::SelectObject(dc_.Get(), previous_); }

  HDC Dc() const { return dc_.Get(); }
  RECT All() const { return RECT{0, 0, width_, height_}; }
  void Fill(RECT r, COLORREF c) {
    ui::Brush brush(::CreateSolidBrush(c));
    ::FillRect(dc_.Get(), &r, brush.Get());
  }
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
  // Bounding box of the pixels that match, if any.
  std::optional<RECT> Bounds(const std::function<bool(COLORREF)>& match, RECT r) const {
    std::optional<RECT> box;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        if (!match(At(x, y))) continue;
        if (!box) box = RECT{x, y, x + 1, y + 1};
        box = RECT{std::min<LONG>(box->left, x), std::min<LONG>(box->top, y), std::max<LONG>(box->right, x + 1),
                   std::max<LONG>(box->bottom, y + 1)};
      }
    return box;
  }
  // Asks a window to paint its client area into this canvas.
  void Print(HWND hwnd) { ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_.Get()), PRF_CLIENT); }
  // A device-compatible copy, as the controls get their pictures.
  ui::Bitmap Copy() const {
    ui::ClientDC screen(nullptr);
    ui::Bitmap copy(::CreateCompatibleBitmap(screen.Get(), width_, height_));
    ui::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    ui::SelectGuard select(dc.Get(), copy.Get());
    ::BitBlt(dc.Get(), 0, 0, width_, height_, dc_.Get(), 0, 0, SRCCOPY);
    return copy;
  }

 private:
  int width_;
  int height_;
  ui::MemoryDcHandle dc_{::CreateCompatibleDC(nullptr)};
  ui::Bitmap bitmap_;
  DWORD* bits_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// A picture of one colour with rectangles of others painted over it.
inline ui::Bitmap Picture(int w, int h, COLORREF colour, std::initializer_list<std::pair<RECT, COLORREF>> over = {}) {
  Canvas canvas(w, h, colour);
  for (const auto& [rect, c] : over) canvas.Fill(rect, c);
  return canvas.Copy();
}

// A visible top-level window of the framework, white like the program's
// windows, recording the commands and category selections it receives.
class TestHost : public ui::Window {
 public:
  std::vector<std::pair<int, int>> commands;  // (id, code)
  std::vector<std::pair<WPARAM, LPARAM>> categorySelections;
  std::vector<std::pair<WPARAM, LPARAM>> groupSwitches;

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
        break;
      case WM_USER + 1:
        groupSwitches.emplace_back(m.wParam, m.lParam);
        break;
      case WM_USER + 2:
        categorySelections.emplace_back(m.wParam, m.lParam);
        break;
      case WM_GETFONT:
        result = reinterpret_cast<LRESULT>(font_.Get());
        return true;
      default:
        return false;
    }
    result = 0;
    return true;
  }

 private:
  ui::Font font_;
};

}  // namespace dockline::testing
