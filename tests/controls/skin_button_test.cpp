#include "controls/skin_button.h"

#include <gtest/gtest.h>

#include "ui/ui_test_support.h"

namespace dockline::controls {
namespace {

class FakeSidebar : public SidebarHost {
 public:
  HWND window = nullptr;
  int selected = app::kNoEntry;
  HWND SidebarWindow() const override { return window; }
  int SelectedEntry() const override { return selected; }
};

class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    sidebar.window = host.Handle();
    ASSERT_TRUE(button.Create("", RECT{10, 10, 130, 45}, host.Handle(), 1820));
    button.SetCategoryIndex(2);
  }
  void Send(UINT message, int x = 0, int y = 0) { ::SendMessageW(button.Handle(), message, 0, MAKELPARAM(x, y)); }

  testing::TestHost host;
  FakeSidebar sidebar;
  SkinButton button{&sidebar};
};

TEST_F(SkinButtonTest, ClickTellsTheSidebarHostWindowOnlyAndNothingWithoutOne) {
  button.SetCategoryIndex(4);
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  sidebar.window = nullptr;
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  SkinButton orphan;  // no sidebar host at all
  ASSERT_TRUE(orphan.Create("x", RECT{0, 50, 120, 85}, host.Handle(), 1820));
  ::SendMessageW(orphan.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{0, 4}}), host.categorySelections);
  EXPECT_TRUE(host.commands.empty());
}

}  // namespace
}  // namespace dockline::controls
