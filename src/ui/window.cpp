#include "ui/window.h"

#include <commctrl.h>

#include <mutex>
#include <unordered_map>

#include "platform/win32/wide.h"
#include "ui/failure.h"

namespace dockline::ui {
namespace {

// Our own subclass chain, not comctl32's SetWindowSubclass: Wine's keeps the
// chain in a window property and reads it twice for every message (its
// subclass procedure and DefSubclassProc), two trips to the wineserver. The
// page, a subclassed dialog, takes several notifications a list row; with
// comctl32's chain listing 10,000 device files took 2.4 s instead of 0.24.
// The procedure our subclass procedure forwards to while no object is bound
// and a foreign subclass sits above ours, so ours cannot be taken out: the
// one case that reads a property, and only after an unbinding.
constexpr wchar_t kOriginalProperty[] = L"DocklineOriginalProc";

// The objects of this process's bound windows, by handle: what binds an HWND
// to its object. Not GWLP_USERDATA: that slot belongs to whoever wrote the
// window class, and common controls and dialogs may use it. Nor a window
// property: it is looked up for every message, and under Wine every GetPropW
// is a round trip to the wineserver (some 50 us, far more while other threads
// keep the server busy).
std::mutex gBoundMutex;
std::unordered_map<HWND, Window*>& BoundObjects() {
  static std::unordered_map<HWND, Window*> objects;
  return objects;
}

void SetBoundObject(HWND hwnd, Window* object) {
  std::lock_guard lock(gBoundMutex);
  if (object) {
    BoundObjects()[hwnd] = object;
  } else {
    BoundObjects().erase(hwnd);
  }
}

// The object whose Create() is running on this thread. A window of one of our
// classes made any other way (by a dialog template, say) carries creation
// data that is not an object, and must stay unbound.
thread_local Window* tCreating = nullptr;

// The child a reflectable notification concerns, or null.
HWND ReflectionTarget(HWND parent, const Message& m) {
  switch (m.message) {
    case WM_COMMAND:
      return reinterpret_cast<HWND>(m.lParam);  // null for menus and accelerators
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(m.lParam);
      return hdr ? hdr->hwndFrom : nullptr;
    }
    case WM_DRAWITEM: {
      const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam);
      return dis && dis->CtlType != ODT_MENU ? dis->hwndItem : nullptr;
    }
    case WM_MEASUREITEM: {
      const auto* mis = reinterpret_cast<const MEASUREITEMSTRUCT*>(m.lParam);
      return mis && mis->CtlType != ODT_MENU ? ::GetDlgItem(parent, static_cast<int>(mis->CtlID)) : nullptr;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<HWND>(m.lParam);
    default:
      return nullptr;
  }
}

}  // namespace

Routing RoutingOf(const Message& m) {
  UINT message = m.message;
  if (message >= kReflectBase && message < kReflectBase + WM_USER) message -= kReflectBase;
  if (message == WM_COMMAND) return {HIWORD(m.wParam), LOWORD(m.wParam)};
  if (message == WM_NOTIFY && m.lParam != 0) {
    const auto* hdr = reinterpret_cast<const NMHDR*>(m.lParam);
    return {hdr->code, static_cast<UINT>(hdr->idFrom)};
  }
  return {};
}

bool RegisterWindowClass(const wchar_t* name, UINT style, HBRUSH background, HCURSOR cursor, HICON icon) {
  HINSTANCE module = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(module, name, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = &Window::WindowProcedure;
  wc.hInstance = module;
  wc.hCursor = cursor ? cursor : ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hIcon = icon;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return ::RegisterClassExW(&wc) != 0;
}

Window::~Window() {
  if (!hwnd_) return;
  HWND hwnd = hwnd_;
  const bool owned = ownsWindow_;
  // Unbind first: the derived parts of this object are already gone, so the
  // window must not route any further message here.
  Unbind();
  if (owned) ::DestroyWindow(hwnd);
}

Window* Window::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  std::lock_guard lock(gBoundMutex);
  const auto found = BoundObjects().find(hwnd);
  return found == BoundObjects().end() ? nullptr : found->second;
}

bool Window::Bind(HWND hwnd, bool subclass) {
  if (!hwnd || hwnd_ || FromHandle(hwnd)) return false;
  SetBoundObject(hwnd, this);
  hwnd_ = hwnd;
  original_ = nullptr;
  if (subclass) {
    if (HANDLE saved = ::GetPropW(hwnd, kOriginalProperty)) {
      // Our procedure is still in the chain from an earlier binding, below a
      // foreign subclass: installing it again would make the foreign one call
      // back into ours for ever. Take up where the earlier binding left off.
      original_ = reinterpret_cast<WNDPROC>(saved);
      ::RemovePropW(hwnd, kOriginalProperty);
    } else {
      original_ = reinterpret_cast<WNDPROC>(
          ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProcedure)));
    }
    if (!original_) {
      SetBoundObject(hwnd, nullptr);
      hwnd_ = nullptr;
      return false;
    }
  }
  bound_->store(hwnd);
  return true;
}

void Window::Unbind(bool destroying) {
  if (!hwnd_) return;
  bound_->store(nullptr);
  if (original_ && !destroying && ::IsWindow(hwnd_)) {
    // Put the original procedure back only if ours is still the current one;
    // someone who subclassed after us keeps a pointer to ours, so then ours
    // stays in place and, finding no object, forwards to the original.
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC)) == &Window::SubclassProcedure) {
      ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    } else {
      ::SetPropW(hwnd_, kOriginalProperty, reinterpret_cast<HANDLE>(original_));
    }
  }
  if (destroying) ::RemovePropW(hwnd_, kOriginalProperty);
  SetBoundObject(hwnd_, nullptr);
  hwnd_ = nullptr;
  original_ = nullptr;
  ownsWindow_ = false;
  OnDetached();
}

bool Window::Create(const wchar_t* className, std::string_view text, DWORD style, DWORD exStyle, const RECT& rect,
                    HWND parent, UINT_PTR idOrMenu) {
  if (hwnd_) return false;
  const std::wstring wtext = platform::Wide(text);
  Window* outer = tCreating;
  tCreating = this;
  HWND hwnd = ::CreateWindowExW(exStyle, className, wtext.c_str(), style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(idOrMenu),
                                ::GetModuleHandleW(nullptr), this);
  tCreating = outer;
  if (!hwnd) return false;
  if (hwnd_ != hwnd) {  // not a class of ours: nothing bound at WM_NCCREATE
    ::DestroyWindow(hwnd);
    return false;
  }
  ownsWindow_ = true;
  return true;
}

bool Window::CreateControl(const wchar_t* className, std::string_view text, DWORD style, const RECT& rect, HWND parent,
                           int id, DWORD exStyle) {
  if (hwnd_) return false;
  const std::wstring wtext = platform::Wide(text);
  HWND hwnd = ::CreateWindowExW(exStyle, className, wtext.c_str(), style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                ::GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) return false;
  if (!Attach(hwnd)) {
    ::DestroyWindow(hwnd);
    return false;
  }
  ownsWindow_ = true;
  return true;
}

bool Window::Attach(HWND hwnd) {
  if (!Bind(hwnd, true)) return false;
  OnAttached();
  return true;
}

HWND Window::Detach() {
  HWND hwnd = hwnd_;
  Unbind();
  return hwnd;
}

bool Window::Destroy() {
  if (!hwnd_) return false;
  return ::DestroyWindow(hwnd_) != FALSE;  // WM_NCDESTROY unbinds
}

void Window::DestroyOwnedWindow() {
  if (!hwnd_) return;
  if (ownsWindow_) {
    Destroy();
    if (hwnd_) Unbind();  // a window of another thread cannot be destroyed from here
  } else {
    Unbind();
  }
}

bool Window::PostTask(const UiPoster& ui, std::function<void()> task) const {
  const HWND target = bound_->load();
  if (!target || !task) return false;
  return ui.Post([token = bound_, target, task = std::move(task)] {
    if (token->load() == target) task();
  });
}

std::string Window::Text() const { return hwnd_ ? WindowTextUtf8(hwnd_) : std::string(); }

bool Window::SetText(std::string_view utf8) { return hwnd_ && SetWindowTextUtf8(hwnd_, utf8); }

bool Window::OnMessage(const Message&, LRESULT&) { return false; }

LRESULT Window::Default(const Message& m) {
  if (!hwnd_ || m.message >= kReflectBase) return 0;  // a reflection nobody took: nothing to do
  if (original_) return ::CallWindowProcW(original_, hwnd_, m.message, m.wParam, m.lParam);
  return ::DefWindowProcW(hwnd_, m.message, m.wParam, m.lParam);
}

bool Window::ReflectToChild(const Message& m, LRESULT& result) {
  HWND target = ReflectionTarget(hwnd_, m);
  if (!target || target == hwnd_) return false;
  Window* child = FromHandle(target);
  if (!child) return false;
  return child->OnMessage(Message{Reflected(m.message), m.wParam, m.lParam}, result);
}

LRESULT Window::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  const Message m{message, wParam, lParam};
  if (message == WM_NCDESTROY) {
    // The last message: the object lets go of the window however its
    // handlers end, or it would keep a handle that is about to be reused.
    struct UnbindAtEnd {
      Window* self;
      HWND hwnd;
      ~UnbindAtEnd() {
        if (self->hwnd_ == hwnd) self->Unbind(true);
      }
    } unbind{this, hwnd_};
    LRESULT result = 0;
    if (OnMessage(m, result)) return result;
    return Default(m);
  }
  LRESULT result = 0;
  if (ReflectToChild(m, result)) return result;
  if (OnMessage(m, result)) return result;
  return Default(m);
}

namespace {

LRESULT Fallback(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC original) {
  if (original) return ::CallWindowProcW(original, hwnd, message, wParam, lParam);
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK Window::WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      auto* self = static_cast<Window*>(cs->lpCreateParams);
      if (self && self == tCreating) {
        tCreating = nullptr;  // windows its WM_CREATE makes are not it
        if (!self->Bind(hwnd, false)) return FALSE;
      }
    }
    if (Window* self = FromHandle(hwnd)) return self->Route(message, wParam, lParam);
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  } catch (...) {
    RecordFailure("window procedure");
    try {
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
    } catch (...) {
      return 0;
    }
  }
}

LRESULT CALLBACK Window::SubclassProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = FromHandle(hwnd);
  WNDPROC original = self ? self->original_ : reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kOriginalProperty));
  if (!self && message == WM_NCDESTROY) ::RemovePropW(hwnd, kOriginalProperty);
  try {
    if (self) return self->Route(message, wParam, lParam);
    return Fallback(hwnd, message, wParam, lParam, original);
  } catch (...) {
    RecordFailure("control procedure");
    try {
      return Fallback(hwnd, message, wParam, lParam, original);
    } catch (...) {
      return 0;
    }
  }
}

std::string WindowTextUtf8(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd, buffer.data(), length + 1);
  buffer.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return platform::Narrow(buffer);
}

bool SetWindowTextUtf8(HWND hwnd, std::string_view utf8) {
  return ::SetWindowTextW(hwnd, platform::Wide(utf8).c_str()) != FALSE;
}

}  // namespace dockline::ui
