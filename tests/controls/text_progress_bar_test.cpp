#include "controls/text_progress_bar.h"
#include "controls/memory_dc.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "control_test_support.h"

namespace dockline::controls {
namespace {

using testing::Canvas;

constexpr int kWidth = 200;
constexpr int kHeight = 20;

class TextProgressBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    ASSERT_TRUE(bar.Attach(::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 10, kWidth, kHeight,
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

// The caption (percentage or text) is split where the bar ends: over the bar
// in the window colour, over the rest in the highlight colour.
TEST_F(TextProgressBarTest, BarAndCaptionColoursSplitWhereTheBarEnds) {
  const COLORREF done = ::GetSysColor(COLOR_HIGHLIGHT), rest = ::GetSysColor(COLOR_WINDOW);
  bar.SetRange(0, 10);
  std::vector<int> emptyBarInk;  // "0%" or the caption, which replaces it
  for (const wchar_t* caption : {L"", L"正在下载 歌曲.mp3"}) {
    SetText(caption);
    for (int pos : {0, 5, 10}) {
      SCOPED_TRACE(::testing::Message() << "position " << pos << " caption length " << wcslen(caption));
      bar.SetPos(pos);
      Canvas canvas(kWidth, kHeight);
      canvas.Print(bar.Handle());
      const int split = kWidth * pos / 10;
      if (pos == 0) emptyBarInk.push_back(canvas.Count(done, canvas.All()));
      if (split > 0) {
        EXPECT_EQ(done, canvas.At(0, 0));
        EXPECT_EQ(done, canvas.At(split - 1, kHeight - 1));
        EXPECT_GT(canvas.Count(rest, RECT{0, 0, split, kHeight}), 0);
      }
      if (split < kWidth) {
        EXPECT_EQ(rest, canvas.At(split, 0));
        EXPECT_EQ(rest, canvas.At(kWidth - 1, kHeight - 1));
        EXPECT_GT(canvas.Count(done, RECT{split, 0, kWidth, kHeight}), 0);
      }
    }
  }
  EXPECT_NE(emptyBarInk[0], emptyBarInk[1]);
}

TEST_F(TextProgressBarTest, LowerEqualToUpperDrawsNothingButStillStoresThePosition) {
  bar.SetRange(0, 0);
  EXPECT_EQ(0, bar.SetPos(7));
  EXPECT_EQ(7, bar.SetPos(3));
  Canvas canvas(kWidth, kHeight);
  canvas.Print(bar.Handle());
  EXPECT_EQ(kWidth * kHeight, canvas.Count(testing::kMarker, canvas.All()));
  ::InvalidateRect(bar.Handle(), nullptr, TRUE);
  ::UpdateWindow(bar.Handle());
  EXPECT_FALSE(RepaintPending());  // the paint is completed all the same
}

TEST_F(TextProgressBarTest, SetPosAnswersThePreviousPositionOrMinusOneWithoutAWindow) {
  TextProgressBar detached;
  EXPECT_EQ(-1, detached.SetPos(5));
  EXPECT_EQ(0, detached.Pos());  // nothing stored
  EXPECT_EQ(0, bar.SetPos(10));
  EXPECT_EQ(10, bar.SetPos(20));
  bar.SetStep(5);
  EXPECT_EQ(20, bar.StepIt());
  EXPECT_EQ(25, bar.Pos());
}

TEST_F(TextProgressBarTest, RepaintIsRequestedOnlyWhenTheBarWidthChangesOrAfterAResize) {
  bar.SetRange(0, 1000);  // 5 positions per pixel
  const int before = bar.RepaintRequests();
  for (int pos : {1, 2, 4}) bar.SetPos(pos);
  EXPECT_EQ(before, bar.RepaintRequests());
  EXPECT_FALSE(RepaintPending());
  bar.SetPos(5);  // one pixel
  EXPECT_EQ(before + 1, bar.RepaintRequests());
  EXPECT_TRUE(RepaintPending());
  ::ValidateRect(bar.Handle(), nullptr);
  bar.SetPos(5);  // the same value twice: at most one repaint
  EXPECT_FALSE(RepaintPending());

  ::SetWindowPos(bar.Handle(), nullptr, 0, 0, kWidth + 40, kHeight, SWP_NOMOVE | SWP_NOZORDER);
  ::ValidateRect(bar.Handle(), nullptr);
  bar.SetPos(5);
  EXPECT_EQ(before + 2, bar.RepaintRequests());
  EXPECT_TRUE(RepaintPending());
}

// The worker never waits for the UI thread: even when the UI thread is
// blocked (here: waiting for the worker) every SetPos returns.
TEST_F(TextProgressBarTest, WorkerDrivesTheBarWhileTheUiThreadIsBlocked) {
  bar.SetRange(0, 10000);
  std::atomic<int> last{-2};
  std::thread worker([&] {
    for (int i = 1; i <= 10000; ++i) last = bar.SetPos(i);
  });
  worker.join();  // no message pumping meanwhile
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
  while (reports < 100) std::this_thread::yield();
  bar.Destroy();
  destroyed = true;
  const int at = reports;
  while (reports < at + 100) std::this_thread::yield();
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

TEST(MemoryDCTest, DrawingLandsOnTheTargetOnlyWhenItGoes) {
  Canvas target(40, 30);
  const RECT clip{10, 5, 30, 25};
  ::IntersectClipRect(target.Dc(), clip.left, clip.top, clip.right, clip.bottom);
  {
    MemoryDC memory(target.Dc());
    ASSERT_TRUE(memory.IsOffScreen());
    EXPECT_TRUE(::EqualRect(&clip, &memory.Area()));
    const RECT spot{12, 6, 14, 8};  // target coordinates
    ui::Brush red(::CreateSolidBrush(RGB(255, 0, 0)));
    ::FillRect(memory.Get(), &spot, red.Get());
    EXPECT_EQ(testing::kMarker, target.At(12, 6));
  }
  EXPECT_EQ(RGB(255, 0, 0), target.At(12, 6));
  EXPECT_EQ(RGB(255, 0, 0), target.At(13, 7));
}

}  // namespace
}  // namespace dockline::controls
