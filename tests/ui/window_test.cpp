#include "ui/window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui/handles.h"
#include "ui_test_support.h"

namespace dockline::ui {
namespace {

constexpr wchar_t kHostClass[] = L"DocklineTestHost";
constexpr UINT kPing = WM_APP + 100;
constexpr UINT kThrow = WM_APP + 101;

RECT Rect(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

// A top-level window whose table records what reached it.
class Host : public Window {
 public:
  std::vector<std::string> calls;

  bool Open() {
    RegisterWindowClass(kHostClass);
    return Create(kHostClass, "host", WS_OVERLAPPEDWINDOW, 0, Rect(10, 10, 300, 200), nullptr);
  }

 protected:
  bool OnMessage(const Message& m, LRESULT& result) override;

 private:
  LRESULT OnPing(const Message& m) {
    calls.push_back("ping " + std::to_string(m.wParam));
    return 42;
  }
  LRESULT OnClicked101(const Message&) {
    calls.push_back("clicked 101");
    return 0;
  }
  LRESULT OnAnyCommand102(const Message& m) {
    calls.push_back("command 102 code " + std::to_string(HIWORD(m.wParam)));
    return 0;
  }
  LRESULT OnClickNotify103(const Message&) {
    calls.push_back("notify 103 click");
    return 7;
  }
  LRESULT OnAnyButtonClick(const Message& m) {
    calls.push_back("clicked " + std::to_string(LOWORD(m.wParam)));
    return 0;
  }
  LRESULT OnThrow(const Message&) { throw std::runtime_error("handler failure"); }

  static const Handler<Host> kMessages[];
};

const Handler<Host> Host::kMessages[] = {
    {kPing, &Host::OnPing},
    {WM_COMMAND, BN_CLICKED, 101, &Host::OnClicked101},
    {WM_COMMAND, kAny, 102, &Host::OnAnyCommand102},
    {WM_NOTIFY, static_cast<UINT>(NM_CLICK), 103, &Host::OnClickNotify103},
    {WM_COMMAND, BN_CLICKED, kAny, &Host::OnAnyButtonClick},
    {kThrow, &Host::OnThrow},
};

bool Host::OnMessage(const Message& m, LRESULT& result) {
  return Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

// A button that handles its own click and draws itself.
class SelfClickingButton : public Window {
 public:
  int clicks = 0;
  int draws = 0;
  HWND drawnItem = nullptr;
  int detached = 0;

 protected:
  bool OnMessage(const Message& m, LRESULT& result) override;
  void OnDetached() override { ++detached; }

 private:
  LRESULT OnClicked(const Message&) {
    ++clicks;
    return 0;
  }
  LRESULT OnDrawItem(const Message& m) {
    ++draws;
    drawnItem = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam)->hwndItem;
    return TRUE;
  }
  LRESULT OnGetTextLength(const Message&) { return 77; }
  static const Handler<SelfClickingButton> kMessages[];
};

const Handler<SelfClickingButton> SelfClickingButton::kMessages[] = {
    {Reflected(WM_COMMAND), BN_CLICKED, kAny, &SelfClickingButton::OnClicked},
    {Reflected(WM_DRAWITEM), &SelfClickingButton::OnDrawItem},
    {WM_GETTEXTLENGTH, &SelfClickingButton::OnGetTextLength},
};

bool SelfClickingButton::OnMessage(const Message& m, LRESULT& result) {
  return Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

WPARAM Command(int id, int code) { return MAKEWPARAM(id, code); }

TEST(WindowDispatch, MatchesMessageCodeAndIdAndPassesResults) {
  Host host;
  ASSERT_TRUE(host.Open());
  HWND h = host.Handle();

  EXPECT_EQ(42, ::SendMessageW(h, kPing, 5, 0));
  ::SendMessageW(h, WM_COMMAND, Command(101, BN_CLICKED), 0);
  // Same id, another code: only the any-code entries further down may take it.
  ::SendMessageW(h, WM_COMMAND, Command(101, BN_DOUBLECLICKED), 0);
  ::SendMessageW(h, WM_COMMAND, Command(102, EN_CHANGE), 0);
  ::SendMessageW(h, WM_COMMAND, Command(104, BN_CLICKED), 0);

  NMHDR click{nullptr, 103, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(7, ::SendMessageW(h, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&click)));
  NMHDR other{nullptr, 103, static_cast<UINT>(NM_DBLCLK)};
  EXPECT_EQ(0, ::SendMessageW(h, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&other)));

  EXPECT_EQ((std::vector<std::string>{"ping 5", "clicked 101", "command 102 code 768", "clicked 104",
                                      "notify 103 click"}),
            host.calls);
}

TEST(WindowDispatch, UnhandledMessagesGetTheDefaultProcedure) {
  Host host;
  ASSERT_TRUE(host.Open());
  // DefWindowProc stores the text; nothing in the table touches it.
  ASSERT_TRUE(host.SetText("标题 title"));
  EXPECT_EQ("标题 title", host.Text());
  EXPECT_TRUE(host.calls.empty());
}

TEST(WindowDispatch, AnExceptionStopsAtTheWindowProcedure) {
  Host host;
  ASSERT_TRUE(host.Open());
  EXPECT_EQ(0, ::SendMessageW(host.Handle(), kThrow, 0, 0));
  EXPECT_EQ(42, ::SendMessageW(host.Handle(), kPing, 1, 0));  // still alive and dispatching
}

TEST(WindowLookup, FindsTheObjectFromItsHandleUntilTheWindowIsDestroyed) {
  Host host;
  ASSERT_TRUE(host.Open());
  HWND h = host.Handle();
  EXPECT_EQ(&host, Window::FromHandle(h));
  EXPECT_EQ(nullptr, Window::FromHandle(::GetDesktopWindow()));
  EXPECT_EQ(nullptr, Window::FromHandle(nullptr));

  ASSERT_TRUE(host.Destroy());
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_EQ(nullptr, host.Handle());
}

TEST(WindowLookup, ObjectGoneDestroysOwnedWindowButLeavesAttachedOne) {
  Host host;
  ASSERT_TRUE(host.Open());
  HWND owned = nullptr;
  HWND attached = ::CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | BS_PUSHBUTTON, 0, 0, 50, 20, host.Handle(),
                                    reinterpret_cast<HMENU>(200), nullptr, nullptr);
  const LONG_PTR originalProc = ::GetWindowLongPtrW(attached, GWLP_WNDPROC);
  {
    Window made;
    ASSERT_TRUE(made.CreateControl(L"BUTTON", "x", WS_CHILD | BS_PUSHBUTTON, Rect(0, 30, 50, 20), host.Handle(), 201));
    owned = made.Handle();
    Window wrapper;
    ASSERT_TRUE(wrapper.Attach(attached));
    EXPECT_NE(originalProc, ::GetWindowLongPtrW(attached, GWLP_WNDPROC));
  }
  EXPECT_FALSE(::IsWindow(owned));
  ASSERT_TRUE(::IsWindow(attached));
  EXPECT_EQ(originalProc, ::GetWindowLongPtrW(attached, GWLP_WNDPROC));
  EXPECT_EQ(nullptr, Window::FromHandle(attached));
}

TEST(WindowLookup, WindowOfOurClassMadeElsewhereStaysUnbound) {
  RegisterWindowClass(kHostClass);
  int notAnObject = 7;  // creation data that is not a Window
  HWND hwnd = ::CreateWindowExW(0, kHostClass, L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, &notAnObject);
  ASSERT_NE(nullptr, hwnd);
  EXPECT_EQ(nullptr, Window::FromHandle(hwnd));
  EXPECT_EQ(0, ::SendMessageW(hwnd, kPing, 0, 0));  // the default procedure answers
  ::DestroyWindow(hwnd);
}

TEST(WindowAttach, RefusesASecondBindingAndNullHandles) {
  Host host;
  ASSERT_TRUE(host.Open());
  HWND button = ::CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD, 0, 0, 50, 20, host.Handle(), nullptr, nullptr, nullptr);
  Window first, second;
  EXPECT_FALSE(first.Attach(nullptr));
  ASSERT_TRUE(first.Attach(button));
  EXPECT_FALSE(second.Attach(button));      // already bound to another object
  EXPECT_FALSE(first.Attach(host.Handle()));  // this object already has a window
  EXPECT_EQ(button, first.Detach());
  EXPECT_TRUE(second.Attach(button));
}

TEST(WindowAttach, SubclassedControlKeepsItsOwnBehaviourForWhatTheTableLeaves) {
  Host host;
  ASSERT_TRUE(host.Open());
  SelfClickingButton button;
  ASSERT_TRUE(button.CreateControl(L"BUTTON", "按钮", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, Rect(5, 5, 80, 24),
                                   host.Handle(), 300));
  EXPECT_EQ(77, ::SendMessageW(button.Handle(), WM_GETTEXTLENGTH, 0, 0));  // the table's answer
  wchar_t text[16] = {};
  ::SendMessageW(button.Handle(), WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));  // the button's own
  EXPECT_STREQ(L"按钮", text);
}

TEST(WindowReflection, ChildHandlesItsOwnClickAndParentNeverSeesIt) {
  Host host;
  ASSERT_TRUE(host.Open());
  SelfClickingButton self;
  ASSERT_TRUE(self.CreateControl(L"BUTTON", "self", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, Rect(5, 5, 80, 24),
                                 host.Handle(), 301));
  Window plain;  // attached, but its table takes nothing
  ASSERT_TRUE(plain.CreateControl(L"BUTTON", "plain", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, Rect(5, 40, 80, 24),
                                  host.Handle(), 302));

  ::SendMessageW(self.Handle(), BM_CLICK, 0, 0);
  ::SendMessageW(plain.Handle(), BM_CLICK, 0, 0);

  EXPECT_EQ(1, self.clicks);
  EXPECT_EQ(std::vector<std::string>{"clicked 302"}, host.calls);
}

TEST(WindowReflection, OwnerDrawRequestReachesTheControlItConcerns) {
  Host host;
  ASSERT_TRUE(host.Open());
  ::ShowWindow(host.Handle(), SW_SHOWNOACTIVATE);
  SelfClickingButton button;
  ASSERT_TRUE(button.CreateControl(L"BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, Rect(5, 5, 80, 24),
                                   host.Handle(), 303));
  ::InvalidateRect(button.Handle(), nullptr, TRUE);
  ::UpdateWindow(button.Handle());
  EXPECT_GE(button.draws, 1);
  EXPECT_EQ(button.Handle(), button.drawnItem);
}

// Notifications and colour requests go back to the control they concern too.
class ColouredControl : public Window {
 public:
  int notifications = 0;
  Brush brush{::CreateSolidBrush(RGB(1, 2, 3))};

 protected:
  bool OnMessage(const Message& m, LRESULT& result) override;

 private:
  LRESULT OnNotify(const Message&) {
    ++notifications;
    return 5;
  }
  LRESULT OnColour(const Message&) { return reinterpret_cast<LRESULT>(brush.Get()); }
  static const Handler<ColouredControl> kMessages[];
};

const Handler<ColouredControl> ColouredControl::kMessages[] = {
    {Reflected(WM_NOTIFY), static_cast<UINT>(NM_CLICK), kAny, &ColouredControl::OnNotify},
    {Reflected(WM_CTLCOLORSTATIC), &ColouredControl::OnColour},
};

bool ColouredControl::OnMessage(const Message& m, LRESULT& result) {
  return Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

TEST(WindowReflection, NotificationsAndColourRequestsReachTheControl) {
  Host host;
  ASSERT_TRUE(host.Open());
  ColouredControl control;
  ASSERT_TRUE(control.CreateControl(L"STATIC", "s", WS_CHILD, Rect(0, 0, 20, 20), host.Handle(), 103));
  NMHDR click{control.Handle(), 103, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(5, ::SendMessageW(host.Handle(), WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&click)));
  EXPECT_EQ(1, control.notifications);
  EXPECT_TRUE(host.calls.empty());  // the parent's own entry for (NM_CLICK, 103) never ran

  HDC dc = ::GetDC(control.Handle());
  EXPECT_EQ(reinterpret_cast<LRESULT>(control.brush.Get()),
            ::SendMessageW(host.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(control.Handle())));
  ::ReleaseDC(control.Handle(), dc);
}

TEST(WindowReflection, ControlIsUnboundWhenItsParentDestroysIt) {
  SelfClickingButton button;
  {
    Host host;
    ASSERT_TRUE(host.Open());
    ASSERT_TRUE(button.CreateControl(L"BUTTON", "", WS_CHILD, Rect(0, 0, 10, 10), host.Handle(), 304));
  }
  EXPECT_EQ(nullptr, button.Handle());
  EXPECT_EQ(1, button.detached);
}

}  // namespace
}  // namespace dockline::ui
