#include "organizer/gui/organizer_page.h"

#include <gtest/gtest.h>

#include <string>

#include "download/gui/download_page.h"
#include "organizer/gui/contact_dialog.h"
#include "page_test_support.h"
#include "resource.h"
#include "ui/control_refs.h"

namespace dockline::organizer {
namespace {

class OrganizerPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    OrganizerPage::RegisterWindowClasses();
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

  testing::PageHost host;
  OrganizerPage page;
};

TEST_F(OrganizerPageTest, FourListsStackedWithTheirColumnsAndTheFilter) {
  EXPECT_EQ(0u, page.CurrentList());
  EXPECT_EQ("1000+filter+combo", Shown());
  const int columns[] = {10, 9, 5, 4};
  const std::pair<std::string, int> last[] = {{"备注", 1000}, {"提前时间", 200}, {"任务内容", 1500}, {"内容", 1000}};
  for (int i = 0; i < OrganizerPage::kListCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(testing::SameRect(page.List(0), page.List(i)));
    EXPECT_EQ(columns[i], testing::ColumnCount(page.List(i)));
    EXPECT_EQ(last[i], testing::Column(page.List(i), columns[i] - 1));
  }
  ui::ComboBoxRef filter(page.Item(IDC_CATEGORY_FILTER));
  EXPECT_EQ(7, filter.Count());
  EXPECT_EQ("全部", filter.ItemText(0));
}

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

TEST_F(OrganizerPageTest, AddOpensTheContactCardOnItsGreyFace) {
  std::string caption;
  int categories = 0;
  COLORREF face = 0;
  // OK with every field empty closes the card.
  testing::AnswerModal driver({}, L"", IDOK, [&](HWND card) {
    caption = ui::WindowTextUtf8(card);
    categories = static_cast<int>(::SendDlgItemMessageW(card, IDC_CARD_CATEGORY, CB_GETCOUNT, 0, 0));
    HDC dc = ::GetDC(card);
    LOGBRUSH lb{};
    if (HGDIOBJ brush = reinterpret_cast<HGDIOBJ>(::SendMessageW(card, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0)))
      face = ::GetObjectW(brush, sizeof lb, &lb) ? lb.lbColor : 0;
    ::ReleaseDC(card, dc);
  });
  ::SendMessageW(page.Handle(), WM_COMMAND, MAKEWPARAM(IDC_ORGANIZER_ADD, BN_CLICKED),
                 reinterpret_cast<LPARAM>(page.Item(IDC_ORGANIZER_ADD)));
  ASSERT_TRUE(driver.Done());
  EXPECT_EQ("名片对话框", caption);
  EXPECT_EQ(6, categories);
  EXPECT_EQ(ContactDialog::kFace, face);
  EXPECT_EQ(nullptr, testing::FindThreadDialog());
}

TEST(WindowClassTest, PlaceholdersOfTheMainWindowExistOnceRegistered) {
  download::DownloadPage::RegisterWindowClasses();
  OrganizerPage::RegisterWindowClasses();
  for (const wchar_t* name : {L"TestControl", L"EditClass"}) {
    HWND w = ::CreateWindowExW(0, name, L"Custom", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(nullptr, w);
    ::DestroyWindow(w);
  }
}

}  // namespace
}  // namespace dockline::organizer
