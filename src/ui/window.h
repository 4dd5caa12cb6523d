#pragma once
// A C++ object behind every window the program handles itself.
//
// The object is found from its HWND in a table of the process (not a window
// property: under Wine each lookup would cost a trip to the server). Messages are
// dispatched through a static table per class: entries (message, notification
// code, control id -> member handler), declared as a static member next to the
// class and defined in its .cpp, read top to bottom like the behaviour they
// wire. A message no entry takes gets the handling it would have had without
// us (the original procedure of a subclassed control, the dialog manager, or
// DefWindowProc).
//
// Three ways in:
//  - Create(): a window of a class registered with RegisterWindowClass; the
//    object is bound at WM_NCCREATE.
//  - Attach() / AttachDlgItem() / CreateControl(): a control of a system class
//    (button, static, progress bar...) is subclassed; OnAttached() is the hook
//    that runs right after, where a control adds the styles it needs.
//  - Dialog (dialog.h) binds at WM_INITDIALOG, once its template's controls exist,
//    and subclasses the dialog window like a control.
//
// A parent reflects WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM and
// WM_CTLCOLOR* back to the child they concern, as ui::Reflected(message). If
// the child's table takes it, the parent's table never sees it; otherwise the
// parent handles the message as usual.
//
// No exception leaves a window procedure: one escaping a handler is caught at
// the boundary, recorded (failure.h), and the message gets its default
// handling.
//
// The window dies before its object. A window this object made goes with the
// object; an object whose destructor must not run while its window lives (a
// parent with child controls among its members) is held as ui::Owned<T>, whose
// destructor destroys the window while every part of the object still exists.
// Work queued for later from another thread goes through PostTask, which
// drops the work once the object no longer has that window.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ui/messages.h"
#include "ui/ui_thread.h"

namespace dockline::ui {

struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Matches any notification code or any control id.
inline constexpr UINT kAny = 0xFFFFFFFFu;

// One entry of a message table. Notification code and control id are looked
// at for WM_COMMAND and WM_NOTIFY (and their reflections) only.
template <class T>
struct Handler {
  using Fn = LRESULT (T::*)(const Message&);
  constexpr Handler(UINT m, Fn f) : message(m), code(kAny), id(kAny), fn(f) {}
  constexpr Handler(UINT m, UINT c, UINT i, Fn f) : message(m), code(c), id(i), fn(f) {}
  UINT message;
  UINT code;
  UINT id;
  Fn fn;
};

// The code and id a table entry is matched against.
struct Routing {
  UINT code = kAny;
  UINT id = kAny;
};
Routing RoutingOf(const Message& m);

template <class T, std::size_t N>
bool Dispatch(T& self, const Handler<T> (&table)[N], const Message& m, LRESULT& result) {
  const Routing r = RoutingOf(m);
  for (const Handler<T>& h : table) {
    if (h.message != m.message) continue;
    if (h.code != kAny && h.code != r.code) continue;
    if (h.id != kAny && h.id != r.id) continue;
    result = (self.*h.fn)(m);
    return true;
  }
  return false;
}

// Registers a window class whose procedure is the framework's. Registering the
// same name again is not an error.
bool RegisterWindowClass(const wchar_t* name, UINT style = CS_HREDRAW | CS_VREDRAW, HBRUSH background = nullptr,
                         HCURSOR cursor = nullptr, HICON icon = nullptr);

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return hwnd_; }
  // The object bound to hwnd, or null.
  static Window* FromHandle(HWND hwnd);

  // The procedure of classes registered with RegisterWindowClass.
  static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // A window of a class registered with RegisterWindowClass.
  bool Create(const wchar_t* className, std::string_view text, DWORD style, DWORD exStyle, const RECT& rect,
              HWND parent, UINT_PTR idOrMenu = 0);
  // A control of a system class ("BUTTON", "STATIC"...), created and attached.
  bool CreateControl(const wchar_t* className, std::string_view text, DWORD style, const RECT& rect, HWND parent,
                     int id, DWORD exStyle = 0);
  // Subclasses an existing window; fails when hwnd is null, already bound to
  // an object, or this object already has a window.
  bool Attach(HWND hwnd);
  bool AttachDlgItem(HWND dialog, int id) { return Attach(::GetDlgItem(dialog, id)); }
  // Unbinds without destroying; the window gets its original procedure back.
  HWND Detach();
  // Destroys the window (on the thread that owns it).
  bool Destroy();
  // Destroys the window if this object made it, otherwise gives it back
  // unbound: what an object does before any of its parts go.
  void DestroyOwnedWindow();

  // Queues `task` to the UI thread; it runs only if this object is then still
  // bound to the window it has now. Callable from any thread.
  bool PostTask(const UiPoster& ui, std::function<void()> task) const;

  std::string Text() const;
  bool SetText(std::string_view utf8);
  int ControlId() const { return hwnd_ ? ::GetDlgCtrlID(hwnd_) : 0; }
  bool Invalidate(bool erase = true) { return hwnd_ && ::InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE); }

 protected:
  // Table dispatch; the usual form is
  //   return ui::Dispatch(*this, kMessages, m, result) || Base::OnMessage(m, result);
  virtual bool OnMessage(const Message& m, LRESULT& result);
  // The handling the message would have had without this object.
  LRESULT Default(const Message& m);
  // Runs right after a control is subclassed (the pre-subclass hook).
  virtual void OnAttached() {}
  // Runs after the window is unbound (WM_NCDESTROY, Detach).
  virtual void OnDetached() {}

 private:
  friend class Dialog;
  static LRESULT CALLBACK SubclassProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Route(UINT message, WPARAM wParam, LPARAM lParam);
  bool ReflectToChild(const Message& m, LRESULT& result);
  bool Bind(HWND hwnd, bool subclass);
  void Unbind(bool destroying = false);

  HWND hwnd_ = nullptr;
  // The window this object is bound to, shared with the tasks it posted.
  std::shared_ptr<std::atomic<HWND>> bound_ = std::make_shared<std::atomic<HWND>>(nullptr);
  WNDPROC original_ = nullptr;  // null: DefWindowProc
  bool ownsWindow_ = false;     // created by this object, destroyed with it
};

// A window object whose window is destroyed first, before any part of the
// object: a child control among its members then never notifies a parent
// whose own destructor has already run.
template <class T>
class Owned final : public T {
 public:
  using T::T;
  ~Owned() override { this->DestroyOwnedWindow(); }
};

std::string WindowTextUtf8(HWND hwnd);
bool SetWindowTextUtf8(HWND hwnd, std::string_view utf8);

}  // namespace dockline::ui
