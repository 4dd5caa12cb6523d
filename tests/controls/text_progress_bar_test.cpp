#include "controls/text_progress_bar.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "ui/ui_test_support.h"

namespace dockline::controls {
namespace {

class TextProgressBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    ASSERT_TRUE(bar.Attach(::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20,
                                              host.Handle(), nullptr, nullptr, nullptr)));
    ::UpdateWindow(host.Handle());
    bar.SetPos(0);  // the first position after attaching always draws
    ::ValidateRect(bar.Handle(), nullptr);
  }
  bool RepaintPending() const { return ::GetUpdateRect(bar.Handle(), nullptr, FALSE) != FALSE; }
  void SetText(const wchar_t* text) { ::SendMessageW(bar.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }

  testing::TestHost host;
  TextProgressBar bar;
};

// The worker never waits for the UI thread: even when the UI thread is
// blocked (here: waiting for the worker) every SetPos returns.
TEST_F(TextProgressBarTest, WorkerDrivesTheBarWhileTheUiThreadIsBlocked) {
  bar.SetRange(0, 10000);
  std::atomic<int> last{-2};
  auto worker = std::async(std::launch::async, [&] {
    for (int i = 1; i <= 10000; ++i) last = bar.SetPos(i);
  });
  testing::ResultWithin(worker, "every position");  // no message pumping meanwhile
  EXPECT_EQ(9999, last.load());
  EXPECT_TRUE(RepaintPending());
  testing::PumpMessages();  // the paint follows on the UI thread
  EXPECT_FALSE(RepaintPending());
}

// The page destroys its controls while a worker may still report progress:
// once the window is gone, every report answers -1 and touches nothing.
TEST_F(TextProgressBarTest, ProgressRacingTheWindowsDestructionStopsAtItsEnd) {
  bar.SetRange(0, 1000);
  std::atomic<bool> destroyed{false}, stop{false};
  std::atomic<int> lateReports{0}, reports{0};
  std::thread worker([&] {
    for (int i = 0; !stop; i = (i + 7) % 1000, ++reports) {
      const bool wasDestroyed = destroyed;
      if (bar.SetPos(i) != -1 && wasDestroyed) ++lateReports;
    }
  });
  testing::Await([&] { return reports >= 100; }, "100 reports");
  bar.Destroy();
  destroyed = true;
  const int at = reports;
  testing::Await([&] { return reports >= at + 100; }, "100 reports after the window's end");
  stop = true;
  worker.join();
  EXPECT_EQ(0, lateReports.load());
  EXPECT_EQ(nullptr, bar.Handle());
}

TEST_F(TextProgressBarTest, WindowTextReplacesThePercentageUntilEmptiedAndComesBackInWholeCharacters) {
  SetText(L"正在下载");
  EXPECT_EQ("正在下载", bar.Caption());
  EXPECT_TRUE(RepaintPending());
  ::ValidateRect(bar.Handle(), nullptr);
  SetText(L"正在下载");  // unchanged: no repaint
  EXPECT_FALSE(RepaintPending());
  SetText(L"");
  EXPECT_EQ("", bar.Caption());
  EXPECT_TRUE(RepaintPending());
  SetText(L"x");
  SetText(nullptr);  // no text at all clears the caption too
  EXPECT_EQ("", bar.Caption());

  SetText(L"a\U0001F600b");  // the middle character is two UTF-16 units
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  auto get = [&](int size) { return ::SendMessageW(bar.Handle(), WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer)); };
  EXPECT_EQ(1, get(3));  // never half a character
  EXPECT_STREQ(L"a", buffer);
  EXPECT_EQ(L'#', buffer[3]);  // nothing written past the given size
  EXPECT_EQ(3, get(4));  // and always terminated
  EXPECT_STREQ(L"a\U0001F600", buffer);
  EXPECT_EQ(4, get(8));
  EXPECT_EQ(4, ::SendMessageW(bar.Handle(), WM_GETTEXTLENGTH, 0, 0));
  EXPECT_EQ(0, get(0));
  EXPECT_EQ(0, ::SendMessageW(bar.Handle(), WM_GETTEXT, 8, 0));
}

}  // namespace
}  // namespace dockline::controls
