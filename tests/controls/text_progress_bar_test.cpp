#include "controls/text_progress_bar.h"

#include <gtest/gtest.h>

#include <string>

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

  SetText(L"a\U0001F600b");  // the middle character is two UTF-16 units
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  auto get = [&](int size) { return ::SendMessageW(bar.Handle(), WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer)); };
  EXPECT_EQ(1, get(3));  // never half a character
  EXPECT_STREQ(L"a", buffer);
  EXPECT_EQ(L'#', buffer[3]);  // nothing written past the given size
  EXPECT_EQ(3, get(4));  // and always terminated
  EXPECT_STREQ(L"a\U0001F600", buffer);
  EXPECT_EQ(0, get(0));
  EXPECT_EQ(0, ::SendMessageW(bar.Handle(), WM_GETTEXT, 8, 0));
}

}  // namespace
}  // namespace dockline::controls
