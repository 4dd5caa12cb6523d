#include "ui/message_box.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/win32/wide.h"
#include "ui/window.h"
#include "ui_test_support.h"

namespace dockline::ui {
namespace {

// What the box looked like when the timer found it.
struct SeenBox {
  std::string caption;
  std::string text;
  HWND owner = nullptr;
  DWORD thread = 0;
};
thread_local SeenBox tSeen;
thread_local WPARAM tAnswer = IDOK;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM found) {
  wchar_t cls[32] = {};
  ::GetClassNameW(hwnd, cls, 32);
  if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Runs inside the message box's own loop: note what it shows, then answer.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  ::KillTimer(nullptr, id);
  tSeen.caption = WindowTextUtf8(box);
  tSeen.text = WindowTextUtf8(::GetDlgItem(box, 0xFFFF));
  tSeen.owner = ::GetWindow(box, GW_OWNER);
  tSeen.thread = ::GetWindowThreadProcessId(box, nullptr);
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(tAnswer, BN_CLICKED), 0);
}

void AnswerNextBox(WPARAM answer) {
  tSeen = {};
  tAnswer = answer;
  ::SetTimer(nullptr, 0, 20, &AnswerBox);
}

class Owner : public Window {
 public:
  bool Open() {
    RegisterWindowClass(L"DocklineBoxOwner");
    return Create(L"DocklineBoxOwner", "owner", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 200, 100}, nullptr);
  }
};

TEST(MessageBoxes, ApplicationBoxIsCaptionedWithTheProgramNameAndOwnedByTheMainWindow) {
  EXPECT_EQ("test_ui", ApplicationName());
  Owner main;
  ASSERT_TRUE(main.Open());
  SetMainWindow(main.Handle());
  AnswerNextBox(IDOK);
  EXPECT_EQ(IDOK, AppMessageBox("设备已连接"));
  EXPECT_EQ("test_ui", tSeen.caption);
  EXPECT_EQ("设备已连接", tSeen.text);
  EXPECT_EQ(main.Handle(), tSeen.owner);

  main.Destroy();  // a main window that is gone owns nothing
  AnswerNextBox(IDOK);
  AppMessageBox("x");
  EXPECT_EQ(nullptr, tSeen.owner);
  SetMainWindow(nullptr);
}

TEST(MessageBoxes, WindowBoxHasTheGivenOwnerCaptionAndButtons) {
  Owner owner;
  ASSERT_TRUE(owner.Open());
  AnswerNextBox(IDNO);
  EXPECT_EQ(IDNO, WindowMessageBox(owner.Handle(), "你确定要关闭下载软件吗？", "提示", MB_YESNO));
  EXPECT_EQ("提示", tSeen.caption);
  EXPECT_EQ("你确定要关闭下载软件吗？", tSeen.text);
  EXPECT_EQ(owner.Handle(), tSeen.owner);
}

TEST(MessageBoxNotifierTest, WorkerMessageIsShownByTheUiThread) {
  UiDispatcher dispatcher;
  MessageBoxNotifier notifier(dispatcher.Poster());
  std::atomic<bool> done{false};
  AnswerNextBox(IDOK);  // the timer belongs to this (the UI) thread
  std::thread worker([&] {
    notifier.ShowMessage("下载完毕");
    done = true;
  });
  ASSERT_TRUE(dockline::testing::PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ("下载完毕", tSeen.text);
  EXPECT_EQ(::GetCurrentThreadId(), tSeen.thread);
}

TEST(MessageBoxNotifierTest, AfterShutdownTheWorkerShowsTheBoxItselfWithoutOwner) {
  UiDispatcher dispatcher;
  MessageBoxNotifier notifier(dispatcher.Poster());
  dispatcher.Stop();
  SeenBox seen;
  DWORD workerId = 0;
  std::thread worker([&] {
    workerId = ::GetCurrentThreadId();
    AnswerNextBox(IDOK);  // a timer of the worker's own
    notifier.ShowMessage("磁盘已满");
    seen = tSeen;
  });
  worker.join();
  EXPECT_EQ("磁盘已满", seen.text);
  EXPECT_EQ(workerId, seen.thread);
  EXPECT_EQ(nullptr, seen.owner);
}

}  // namespace
}  // namespace dockline::ui
