#include "organizer/gui/organizer_page.h"

#include <gtest/gtest.h>

#include <string>

#include "resource.h"
#include "ui/ui_test_support.h"
#include "ui/window.h"

namespace dockline::organizer {
namespace {

class OrganizerPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open(609, 530));
    ASSERT_TRUE(page.Create(host.Handle()));
    ::ShowWindow(page.Handle(), SW_SHOW);
  }
  // Which lists are visible, as a string of 0/1 by index, and the filter.
  std::string Shown() const {
    std::string s;
    for (int i = 0; i < OrganizerPage::kListCount; ++i) s += ::IsWindowVisible(page.List(i)) ? '1' : '0';
    s += ::IsWindowVisible(page.Item(IDC_FILTER_LABEL)) ? "+filter" : "";
    s += ::IsWindowVisible(page.Item(IDC_CATEGORY_FILTER)) ? "+combo" : "";
    return s;
  }

  testing::TestHost host;
  OrganizerPage page;
};

TEST_F(OrganizerPageTest, ShowListSwitchesAndTheBackUpEntryLeavesThePageAsItWas) {
  struct Step {
    std::uint32_t index;
    const char* shown;
  };
  const Step steps[] = {{2, "0010"}, {3, "0001"}, {4, "0001"}, {3, "0001"}, {0, "1000+filter+combo"}, {1, "0100"}};
  for (const Step& s : steps) {
    page.ShowList(s.index);
    EXPECT_EQ(s.index, page.CurrentList());
    EXPECT_EQ(s.shown, Shown()) << s.index;
  }
}

}  // namespace
}  // namespace dockline::organizer
