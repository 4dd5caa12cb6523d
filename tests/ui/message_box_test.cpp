#include "ui/message_box.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "ui/ui_test_support.h"
#include "ui/window.h"

namespace dockline::ui {
namespace {

TEST(MessageBoxNotifierTest, WorkerMessageIsShownByTheUiThreadOrAfterShutdownByTheWorker) {
  for (bool shutDown : {false, true}) {
    SCOPED_TRACE(shutDown ? "after shutdown" : "UI thread running");
    UiDispatcher dispatcher;
    MessageBoxNotifier notifier(dispatcher.Poster());
    std::string text;
    DWORD shownBy = 0;
    HWND owner = nullptr;
    const auto note = [&](HWND box) {
      text = WindowTextUtf8(::GetDlgItem(box, 0xFFFF));
      shownBy = ::GetCurrentThreadId();
      owner = ::GetWindow(box, GW_OWNER);
    };
    std::optional<testing::DialogAnswerer> onUiThread;
    if (shutDown) dispatcher.Stop();
    else onUiThread.emplace(1, note);
    std::atomic<bool> done{false};
    DWORD workerId = 0;
    std::thread worker([&] {
      workerId = ::GetCurrentThreadId();
      std::optional<testing::DialogAnswerer> onWorker;
      if (shutDown) onWorker.emplace(1, note);
      notifier.ShowMessage("下载完毕");
      done = true;
    });
    if (!testing::PumpUntil([&] { return done.load(); })) testing::GiveUp("the message box's end");
    worker.join();
    EXPECT_EQ("下载完毕", text);
    EXPECT_EQ(shutDown ? workerId : ::GetCurrentThreadId(), shownBy);
    EXPECT_TRUE(!shutDown || owner == nullptr);
  }
}

}  // namespace
}  // namespace dockline::ui
