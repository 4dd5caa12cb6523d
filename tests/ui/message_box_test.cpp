#include "ui/message_box.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "ui/ui_test_support.h"
#include "ui/window.h"

namespace dockline::ui {
namespace {

// What the last box looked like when the timer found it; written by the
// thread showing the box, read after that thread is done with it.
struct SeenBox {
  std::string caption, text;
  HWND owner = nullptr;
  DWORD thread = 0;
} gSeen;
WPARAM gAnswer = IDOK;

// Runs inside the message box's own loop: note what it shows, then answer.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = nullptr;  // the visible dialog-class window of this thread
  while ((box = ::FindWindowExW(nullptr, box, L"#32770", nullptr)) &&
         (!::IsWindowVisible(box) || ::GetWindowThreadProcessId(box, nullptr) != ::GetCurrentThreadId())) {
  }
  if (!box) return;
  ::KillTimer(nullptr, id);
  gSeen = {WindowTextUtf8(box), WindowTextUtf8(::GetDlgItem(box, 0xFFFF)), ::GetWindow(box, GW_OWNER),
           ::GetWindowThreadProcessId(box, nullptr)};
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(gAnswer, BN_CLICKED), 0);
}

// Answers the next box the calling thread shows.
void AnswerNextBox(WPARAM answer) {
  gSeen = {};
  gAnswer = answer;
  ::SetTimer(nullptr, 0, 20, &AnswerBox);
}

TEST(MessageBoxes, ApplicationBoxIsCaptionedWithTheProgramNameAndOwnedByTheMainWindow) {
  RegisterWindowClass(L"DocklineBoxOwner");
  Window main;
  ASSERT_TRUE(main.Create(L"DocklineBoxOwner", "main", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 200, 100}, nullptr));
  SetMainWindow(main.Handle());
  AnswerNextBox(IDOK);
  EXPECT_EQ(IDOK, AppMessageBox("设备已连接"));
  EXPECT_EQ("test_ui", gSeen.caption);  // the executable's base name
  EXPECT_EQ("设备已连接", gSeen.text);
  EXPECT_EQ(main.Handle(), gSeen.owner);


  main.Destroy();  // a main window that is gone owns nothing
  AnswerNextBox(IDOK);
  AppMessageBox("x");
  EXPECT_EQ(nullptr, gSeen.owner);
  SetMainWindow(nullptr);
}

TEST(MessageBoxNotifierTest, WorkerMessageIsShownByTheUiThreadOrAfterShutdownByTheWorker) {
  for (bool shutDown : {false, true}) {
    SCOPED_TRACE(shutDown ? "after shutdown" : "UI thread running");
    UiDispatcher dispatcher;
    MessageBoxNotifier notifier(dispatcher.Poster());
    if (shutDown) dispatcher.Stop();
    else AnswerNextBox(IDOK);  // a timer of this, the UI, thread
    std::atomic<bool> done{false};
    DWORD workerId = 0;
    std::thread worker([&] {
      workerId = ::GetCurrentThreadId();
      if (shutDown) AnswerNextBox(IDOK);  // a timer of the worker's own
      notifier.ShowMessage("下载完毕");
      done = true;
    });
    ASSERT_TRUE(testing::PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ("下载完毕", gSeen.text);
    EXPECT_EQ(shutDown ? workerId : ::GetCurrentThreadId(), gSeen.thread);
    EXPECT_TRUE(!shutDown || gSeen.owner == nullptr);
  }
}

}  // namespace
}  // namespace dockline::ui
