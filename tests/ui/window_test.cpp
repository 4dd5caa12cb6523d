#include "ui/window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <vector>

#include "ui/failure.h"
#include "ui/ui_test_support.h"

namespace dockline::ui {
namespace {

constexpr wchar_t kProbeClass[] = L"DocklineTestProbe";
constexpr UINT kPing = WM_APP + 100;
constexpr UINT kThrow = WM_APP + 101;

RECT Rect(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

// Serves as the parent and as the child: notes the number of each table entry
// that took a message and answers with that number.
class Probe : public Window {
 public:
  std::vector<int> entries;
  bool Open() {
    RegisterWindowClass(kProbeClass);
    return Create(kProbeClass, "probe", WS_OVERLAPPEDWINDOW, 0, Rect(10, 10, 300, 200), nullptr);
  }

 protected:
  bool OnMessage(const Message& m, LRESULT& result) override;

 private:
  template <int N>
  LRESULT Entry(const Message&) {
    entries.push_back(N);
    return N;
  }
  LRESULT Throw(const Message&) { throw std::runtime_error("handler failure"); }
  static const Handler<Probe> kMessages[];
};

const Handler<Probe> Probe::kMessages[] = {
    {kPing, &Probe::Entry<1>},
    {WM_COMMAND, BN_CLICKED, 101, &Probe::Entry<2>},
    {WM_COMMAND, kAny, 102, &Probe::Entry<3>},
    {WM_NOTIFY, static_cast<UINT>(NM_CLICK), 103, &Probe::Entry<4>},
    {WM_COMMAND, BN_CLICKED, kAny, &Probe::Entry<5>},
    {kThrow, &Probe::Throw},
};

bool Probe::OnMessage(const Message& m, LRESULT& result) {
  return Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

LRESULT Notify(HWND to, HWND from, int id, UINT code) {
  NMHDR hdr{from, static_cast<UINT_PTR>(id), code};
  return ::SendMessageW(to, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&hdr));
}

TEST(WindowDispatch, FirstEntryMatchingMessageCodeAndIdAnswers) {
  Probe probe;
  ASSERT_TRUE(probe.Open());
  HWND h = probe.Handle();
  struct Case {
    UINT message;
    int id;
    UINT code;
    int entry;  // 0: none, the default procedure answers
  };
  const Case cases[] = {
      {kPing, 0, 0, 1},
      {WM_COMMAND, 101, BN_CLICKED, 2},
      {WM_COMMAND, 101, BN_DOUBLECLICKED, 0},  // same id, other code
      {WM_COMMAND, 102, EN_CHANGE, 3},
      {WM_COMMAND, 104, BN_CLICKED, 5},
      {WM_NOTIFY, 103, static_cast<UINT>(NM_CLICK), 4},
      {WM_NOTIFY, 103, static_cast<UINT>(NM_DBLCLK), 0},
      {kThrow, 0, 0, 0},  // stopped at the window procedure; the window lives on
      {kPing, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.message << " id " << c.id << " code " << c.code);
    probe.entries.clear();
    const LRESULT answer = c.message == WM_NOTIFY ? Notify(h, nullptr, c.id, c.code)
                                                  : ::SendMessageW(h, c.message, MAKEWPARAM(c.id, c.code), 0);
    EXPECT_EQ(c.entry, answer);
    EXPECT_EQ(c.entry ? std::vector<int>{c.entry} : std::vector<int>{}, probe.entries);
  }
}

TEST(WindowLookup, FindsItsObjectUntilDestroyedAndNeverAForeignOne) {
  Probe probe;
  ASSERT_TRUE(probe.Open());
  HWND h = probe.Handle();
  EXPECT_EQ(&probe, Window::FromHandle(h));
  EXPECT_EQ(nullptr, Window::FromHandle(::GetDesktopWindow()));
  EXPECT_EQ(nullptr, Window::FromHandle(nullptr));
  ASSERT_TRUE(probe.Destroy());
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_EQ(nullptr, probe.Handle());

  int notAnObject = 7;  // our class, made elsewhere with creation data that is no Window
  HWND foreign = ::CreateWindowExW(0, kProbeClass, L"x", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, &notAnObject);
  ASSERT_NE(nullptr, foreign);
  EXPECT_EQ(nullptr, Window::FromHandle(foreign));
  EXPECT_EQ(0, ::SendMessageW(foreign, kPing, 0, 0));
  ::DestroyWindow(foreign);
}

TEST(WindowLookup, OwnedWindowGoesWithItsObjectAttachedOneIsGivenBack) {
  Probe parent;
  ASSERT_TRUE(parent.Open());
  HWND attached = ::CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD, 0, 0, 50, 20, parent.Handle(), nullptr, nullptr,
                                    nullptr);
  const LONG_PTR originalProc = ::GetWindowLongPtrW(attached, GWLP_WNDPROC);
  HWND owned = nullptr;
  {
    Window made, wrapper, other;
    ASSERT_TRUE(made.CreateControl(L"BUTTON", "x", WS_CHILD, Rect(0, 30, 50, 20), parent.Handle(), 201));
    owned = made.Handle();
    EXPECT_FALSE(wrapper.Attach(nullptr));
    ASSERT_TRUE(wrapper.Attach(attached));
    EXPECT_FALSE(other.Attach(attached));  // bound to another object already
    EXPECT_FALSE(wrapper.Attach(owned));   // this object has a window already
    EXPECT_EQ(attached, wrapper.Detach());
    EXPECT_EQ(originalProc, ::GetWindowLongPtrW(attached, GWLP_WNDPROC));
    ASSERT_TRUE(other.Attach(attached));
  }
  EXPECT_FALSE(::IsWindow(owned));
  ASSERT_TRUE(::IsWindow(attached));
  EXPECT_EQ(originalProc, ::GetWindowLongPtrW(attached, GWLP_WNDPROC));
  EXPECT_EQ(nullptr, Window::FromHandle(attached));
}

// A parent whose child control is one of its members; it notes each message
// its table sees after its own destructor has begun.
class ParentWithChild : public Window {
 public:
  static inline int lateMessages = 0;
  ~ParentWithChild() override { gone_ = true; }
  bool Open() {
    RegisterWindowClass(kProbeClass);
    return Create(kProbeClass, "parent", WS_OVERLAPPEDWINDOW, 0, Rect(0, 0, 200, 100), nullptr) &&
           child_.CreateControl(L"BUTTON", "child", WS_CHILD | WS_VISIBLE, Rect(5, 5, 60, 20), Handle(), 7);
  }

 protected:
  bool OnMessage(const Message& m, LRESULT& result) override {
    if (gone_) ++lateMessages;
    return Window::OnMessage(m, result);
  }

 private:
  bool gone_ = false;
  Window child_;
};

TEST(WindowLifetime, AnOwnedParentDiesBeforeItsPartsSoNoHandlerRunsOnAHalfDestroyedObject) {
  ParentWithChild::lateMessages = 0;
  HWND parent = nullptr;
  {
    Owned<ParentWithChild> owned;
    ASSERT_TRUE(owned.Open());
    parent = owned.Handle();
  }
  EXPECT_FALSE(::IsWindow(parent));
  EXPECT_EQ(0, ParentWithChild::lateMessages);
}

WNDPROC gBeneathForeign = nullptr;
int gForeignCalls = 0;
LRESULT CALLBACK ForeignSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ++gForeignCalls;
  return ::CallWindowProcW(gBeneathForeign, hwnd, message, wParam, lParam);
}

TEST(WindowLifetime, ReattachingUnderAForeignSubclassKeepsOneChainAndBothSeeTheMessage) {
  Probe parent;
  ASSERT_TRUE(parent.Open());
  HWND button = ::CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD, 0, 0, 50, 20, parent.Handle(), nullptr, nullptr,
                                  nullptr);
  Probe first, second;
  ASSERT_TRUE(first.Attach(button));
  gBeneathForeign = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignSubclass)));
  first.Detach();
  ASSERT_TRUE(second.Attach(button));
  gForeignCalls = 0;
  EXPECT_EQ(1, ::SendMessageW(button, kPing, 0, 0));  // an endless loop here overflows the stack
  EXPECT_EQ(1, gForeignCalls);
  EXPECT_EQ(std::vector<int>{1}, second.entries);
  EXPECT_TRUE(first.entries.empty());
  second.Detach();
  EXPECT_EQ(0, ::SendMessageW(button, kPing, 0, 0));  // the button's own procedure answers again
  ::DestroyWindow(button);
}

class ThrowsAtTheEnd : public Window {
 protected:
  bool OnMessage(const Message& m, LRESULT& result) override {
    if (m.message == WM_NCDESTROY) throw std::runtime_error("last words");
    return Window::OnMessage(m, result);
  }
};

TEST(WindowLifetime, AThrowingLastMessageStillUnbindsAndIsRecorded) {
  Probe parent;
  ASSERT_TRUE(parent.Open());
  ThrowsAtTheEnd control;
  ASSERT_TRUE(control.CreateControl(L"STATIC", "x", WS_CHILD, Rect(0, 0, 10, 10), parent.Handle(), 9));
  const int failures = FailureCount();
  ASSERT_TRUE(control.Destroy());
  EXPECT_EQ(nullptr, control.Handle());
  EXPECT_EQ(failures + 1, FailureCount());
  EXPECT_NE(std::string::npos, LastFailure().find("last words"));
}

TEST(WindowLifetime, TasksPostedForAWindowRunOnlyWhileItIsStillThere) {
  UiDispatcher dispatcher;
  Probe probe;
  ASSERT_TRUE(probe.Open());
  int ran = 0;
  // Posted from a worker while this thread pumps nothing: a post never waits for the UI thread.
  const auto post = [&](int times) {
    auto posted = std::async(std::launch::async, [&] {
      for (int k = 0; k < times; ++k) EXPECT_TRUE(probe.PostTask(dispatcher.Poster(), [&] { ++ran; }));
    });
    dockline::testing::ResultWithin(posted, "a worker's posts");
  };
  post(2);
  dockline::testing::PumpMessages();
  EXPECT_EQ(2, ran);
  post(1);
  probe.Destroy();
  dockline::testing::PumpMessages();
  EXPECT_EQ(2, ran);
  EXPECT_FALSE(probe.PostTask(dispatcher.Poster(), [&] { ++ran; }));
}

}  // namespace
}  // namespace dockline::ui
