#pragma once
// Move-only owners for every GDI and user-object handle kind the program
// creates, on the platform's owner template, and guards that undo a change to
// a device context.
#include <windows.h>

#include <utility>

#include "platform/win32/unique_handle.h"

namespace dockline::ui {

using platform::UniqueHandle;
using platform::KernelHandle;

template <class H>
struct GdiObjectTraits {
  static H Null() { return nullptr; }
  static bool IsValid(H h) { return h != nullptr; }
  static bool Close(H h) { return ::DeleteObject(h) != FALSE; }
};
struct CursorTraits {
  static HCURSOR Null() { return nullptr; }
  static bool IsValid(HCURSOR h) { return h != nullptr; }
  static bool Close(HCURSOR h) { return ::DestroyCursor(h) != FALSE; }
};
struct IconTraits {
  static HICON Null() { return nullptr; }
  static bool IsValid(HICON h) { return h != nullptr; }
  static bool Close(HICON h) { return ::DestroyIcon(h) != FALSE; }
};
struct DcTraits {  // a DC made by CreateCompatibleDC / CreateDC
  static HDC Null() { return nullptr; }
  static bool IsValid(HDC h) { return h != nullptr; }
  static bool Close(HDC h) { return ::DeleteDC(h) != FALSE; }
};

using Pen = UniqueHandle<HPEN, GdiObjectTraits<HPEN>>;
using Brush = UniqueHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using Font = UniqueHandle<HFONT, GdiObjectTraits<HFONT>>;
using Bitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using Region = UniqueHandle<HRGN, GdiObjectTraits<HRGN>>;
using Cursor = UniqueHandle<HCURSOR, CursorTraits>;
using Icon = UniqueHandle<HICON, IconTraits>;
// A memory device context (CreateCompatibleDC); released with DeleteDC.
using MemoryDcHandle = UniqueHandle<HDC, DcTraits>;

// Selects an object into a DC and puts the previous one back on scope exit,
// so that a GDI object is never deleted while still selected.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectGuard() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC / RestoreDC around a drawing routine.
class SavedDcState {
 public:
  explicit SavedDcState(HDC dc) : dc_(dc), id_(::SaveDC(dc)) {}
  ~SavedDcState() {
    if (id_ != 0) ::RestoreDC(dc_, id_);
  }
  SavedDcState(const SavedDcState&) = delete;
  SavedDcState& operator=(const SavedDcState&) = delete;

 private:
  HDC dc_;
  int id_;
};

// BeginPaint / EndPaint.
class PaintDC {
 public:
  explicit PaintDC(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
  ~PaintDC() { ::EndPaint(hwnd_, &ps_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC Get() const { return dc_; }
  const PAINTSTRUCT& Info() const { return ps_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// GetDC / ReleaseDC on a window's client area.
class ClientDC {
 public:
  explicit ClientDC(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~ClientDC() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  ClientDC(const ClientDC&) = delete;
  ClientDC& operator=(const ClientDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

}  // namespace dockline::ui
