#include "controls/text_progress_bar.h"
#include "controls/memory_dc.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "control_test_support.h"
#include "platform/win32/wide.h"

namespace dockline::controls {
namespace {

using testing::Canvas;
using testing::TestHost;

constexpr int kWidth = 200;
constexpr int kHeight = 20;

class TextProgressBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    HWND raw = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 10, kWidth, kHeight,
                                 host.Handle(), reinterpret_cast<HMENU>(1030), nullptr, nullptr);
    ASSERT_TRUE(bar.Attach(raw));
    ::UpdateWindow(host.Handle());
    bar.SetPos(0);  // the first position after attaching always draws
    ::ValidateRect(bar.Handle(), nullptr);
  }
  bool RepaintPending() const { return ::GetUpdateRect(bar.Handle(), nullptr, FALSE) != FALSE; }
  int Requests() const { return bar.RepaintRequests(); }

  TestHost host;
  TextProgressBar bar;
};

TEST_F(TextProgressBarTest, EmptyAndFullBarsWithTheirPercentages) {
  Canvas empty(kWidth, kHeight);
  empty.Print(bar.Handle());
  EXPECT_EQ(bar.BackgroundColour(), empty.At(0, 0));
  EXPECT_EQ(bar.BackgroundColour(), empty.At(kWidth - 1, kHeight - 1));
  EXPECT_GT(empty.Count(bar.BarColour(), empty.All()), 0);  // "0%" in the highlight colour

  bar.SetPos(100);
  Canvas full(kWidth, kHeight);
  full.Print(bar.Handle());
  EXPECT_EQ(bar.BarColour(), full.At(0, 0));
  EXPECT_EQ(bar.BarColour(), full.At(kWidth - 1, kHeight - 1));
  EXPECT_GT(full.Count(bar.BackgroundColour(), full.All()), 0);  // "100%" in the window colour
}

// At half range the caption is split where the bar ends: over the bar it is in
// the window colour, over the rest in the highlight colour.
TEST_F(TextProgressBarTest, CaptionIsSplitAtTheEndOfTheBar) {
  for (const char* caption : {"", "正在下载 歌曲.mp3"}) {
    SCOPED_TRACE(caption);
    ::SetWindowTextW(bar.Handle(), platform::Wide(caption).c_str());
    bar.SetRange(0, 10);
    bar.SetPos(5);
    Canvas canvas(kWidth, kHeight);
    canvas.Print(bar.Handle());
    const int middle = kWidth / 2;
    EXPECT_EQ(bar.BarColour(), canvas.At(0, 0));
    EXPECT_EQ(bar.BarColour(), canvas.At(middle - 1, 0));
    EXPECT_EQ(bar.BackgroundColour(), canvas.At(middle, 0));
    const RECT overBar{0, 0, middle, kHeight};
    const RECT overRest{middle, 0, kWidth, kHeight};
    EXPECT_GT(canvas.Count(bar.BackgroundColour(), overBar), 0);
    EXPECT_GT(canvas.Count(bar.BarColour(), overRest), 0);
  }
}

TEST_F(TextProgressBarTest, LowerEqualToUpperDrawsNothingButStillStoresThePosition) {
  bar.SetRange(0, 0);
  EXPECT_EQ(0, bar.SetPos(7));
  EXPECT_EQ(7, bar.SetPos(3));
  Canvas canvas(kWidth, kHeight);
  canvas.Print(bar.Handle());
  EXPECT_EQ(kWidth * kHeight, canvas.Count(testing::kMarker, canvas.All()));
  // A real paint is completed all the same.
  ::InvalidateRect(bar.Handle(), nullptr, TRUE);
  ::UpdateWindow(bar.Handle());
  EXPECT_FALSE(RepaintPending());
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

TEST_F(TextProgressBarTest, RepaintIsRequestedOnlyWhenTheBarWidthChanges) {
  bar.SetRange(0, 1000);  // 5 positions per pixel
  const int before = Requests();
  bar.SetPos(1);
  bar.SetPos(2);
  bar.SetPos(4);
  EXPECT_EQ(before, Requests());
  EXPECT_FALSE(RepaintPending());
  bar.SetPos(5);  // one pixel
  EXPECT_EQ(before + 1, Requests());
  EXPECT_TRUE(RepaintPending());
  ::ValidateRect(bar.Handle(), nullptr);
  bar.SetPos(5);  // the same value twice: at most one repaint
  EXPECT_EQ(before + 1, Requests());
  EXPECT_FALSE(RepaintPending());
}

TEST_F(TextProgressBarTest, AResizeMakesTheNextSetPosRepaint) {
  bar.SetPos(50);
  const int before = Requests();
  ::SetWindowPos(bar.Handle(), nullptr, 0, 0, kWidth + 40, kHeight, SWP_NOMOVE | SWP_NOZORDER);
  ::ValidateRect(bar.Handle(), nullptr);
  bar.SetPos(50);
  EXPECT_EQ(before + 1, Requests());
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

TEST_F(TextProgressBarTest, WindowTextReplacesThePercentageUntilItIsEmptied) {
  bar.SetPos(50);
  ::SetWindowTextW(bar.Handle(), L"正在下载");
  EXPECT_EQ("正在下载", bar.Caption());
  EXPECT_TRUE(RepaintPending());
  ::ValidateRect(bar.Handle(), nullptr);
  ::SetWindowTextW(bar.Handle(), L"正在下载");  // unchanged: no repaint
  EXPECT_FALSE(RepaintPending());

  Canvas withCaption(kWidth, kHeight);
  withCaption.Print(bar.Handle());
  ::SetWindowTextW(bar.Handle(), L"");
  EXPECT_EQ("", bar.Caption());
  EXPECT_TRUE(RepaintPending());
  Canvas withPercentage(kWidth, kHeight);
  withPercentage.Print(bar.Handle());
  // Different texts, different ink.
  const RECT all = withCaption.All();
  EXPECT_NE(withCaption.Count(bar.BarColour(), all), withPercentage.Count(bar.BarColour(), all));

  ::SetWindowTextW(bar.Handle(), L"x");
  ::SendMessageW(bar.Handle(), WM_SETTEXT, 0, 0);  // no text at all clears the caption too
  EXPECT_EQ("", bar.Caption());
}

TEST_F(TextProgressBarTest, GetTextCopiesWholeCharactersAndAlwaysTerminates) {
  ::SetWindowTextW(bar.Handle(), L"正在下载");
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(2, ::SendMessageW(bar.Handle(), WM_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)));
  EXPECT_STREQ(L"正在", buffer);
  EXPECT_EQ(L'#', buffer[3]);  // nothing written past the given size

  EXPECT_EQ(4, ::SendMessageW(bar.Handle(), WM_GETTEXT, 8, reinterpret_cast<LPARAM>(buffer)));
  EXPECT_STREQ(L"正在下载", buffer);
  EXPECT_EQ(4, ::SendMessageW(bar.Handle(), WM_GETTEXTLENGTH, 0, 0));

  // A character outside the basic plane is two UTF-16 units: never halved.
  ::SetWindowTextW(bar.Handle(), L"a\U0001F600b");
  EXPECT_EQ(1, ::SendMessageW(bar.Handle(), WM_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)));
  EXPECT_STREQ(L"a", buffer);
  EXPECT_EQ(3, ::SendMessageW(bar.Handle(), WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)));
  EXPECT_STREQ(L"a\U0001F600", buffer);

  EXPECT_EQ(0, ::SendMessageW(bar.Handle(), WM_GETTEXT, 8, 0));
  EXPECT_EQ(0, ::SendMessageW(bar.Handle(), WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)));
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
