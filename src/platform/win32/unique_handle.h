#pragma once
// The move-only owner of a handle, and the owners of kernel handles (files,
// volumes, events, threads, processes) and of file searches: the one place
// where the program gives such a handle back. Copying is deleted: a handle
// has exactly one owner, which releases it exactly once. The window layer
// adds its GDI and user-object kinds on the same template (ui/handles.h).
#include <windows.h>

namespace dockline::platform {

// A handle released by `Traits::Close` when its owner goes away; `Traits::Null`
// marks "none".
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
  // Releases now and tells whether the system accepted it (a file's last
  // write can fail only here).
  bool Close() {
    if (!Traits::IsValid(h_)) return false;
    return Traits::Close(Release());
  }

 private:
  H h_ = Traits::Null();
};

// Both "no handle" spellings of the API count as none.
struct KernelHandleTraits {
  static HANDLE Null() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE h) { return ::CloseHandle(h) != FALSE; }
};
using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;

// A FindFirstFileW search, ended by FindClose.
struct FindHandleTraits {
  static HANDLE Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE h) { return ::FindClose(h) != FALSE; }
};
using FindHandle = UniqueHandle<HANDLE, FindHandleTraits>;

}  // namespace dockline::platform
