#pragma once
// Move-only owners for every handle kind the program creates, and guards that
// undo a change to a device context. Copying is deleted throughout: a handle
// has exactly one owner, which releases it exactly once.
#include <windows.h>

#include <utility>

namespace dockline::ui {

// A handle released by `Release` when its owner goes away; `Null` marks "none".
template <class H, class Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(H h) : h_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  H Get() const { return h_; }
  explicit operator bool() const { return Traits::IsValid(h_); }
  // Gives up ownership without releasing.
  H Release() {
    H h = h_;
    h_ = Traits::Null();
    return h;
  }
  void Reset(H h = Traits::Null()) {
    if (Traits::IsValid(h_) && h_ != h) Traits::Close(h_);
    h_ = h;
  }

 private:
  H h_ = Traits::Null();
};

template <class H>
struct GdiObjectTraits {
  static H Null() { return nullptr; }
  static bool IsValid(H h) { return h != nullptr; }
  static void Close(H h) { ::DeleteObject(h); }
};
// Kernel handles: both "no handle" spellings of the API count as none.
struct KernelHandleTraits {
  static HANDLE Null() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct CursorTraits {
  static HCURSOR Null() { return nullptr; }
  static bool IsValid(HCURSOR h) { return h != nullptr; }
  static void Close(HCURSOR h) { ::DestroyCursor(h); }
};
struct IconTraits {
  static HICON Null() { return nullptr; }
  static bool IsValid(HICON h) { return h != nullptr; }
  static void Close(HICON h) { ::DestroyIcon(h); }
};
struct DcTraits {  // a DC made by CreateCompatibleDC / CreateDC
  static HDC Null() { return nullptr; }
  static bool IsValid(HDC h) { return h != nullptr; }
  static void Close(HDC h) { ::DeleteDC(h); }
};

using Pen = UniqueHandle<HPEN, GdiObjectTraits<HPEN>>;
using Brush = UniqueHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using Font = UniqueHandle<HFONT, GdiObjectTraits<HFONT>>;
using Bitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using Region = UniqueHandle<HRGN, GdiObjectTraits<HRGN>>;
using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
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
