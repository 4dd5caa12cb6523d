#include "ui/page_host.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "ui/ui_test_support.h"

namespace dockline::ui {
namespace {

struct RecordingFilter : MessageFilter {
  std::vector<HWND> seen;
  bool PreTranslateMessage(MSG& msg) override {
    seen.push_back(msg.hwnd);
    return true;
  }
};

TEST(PageHost, ShowsOnePageInTheAreaAndGivesOnlyItsMessagesToItsFilter) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  RegisterWindowClass(L"DocklinePageHostTest");
  Window owner;
  ASSERT_TRUE(owner.Create(L"DocklinePageHostTest", "owner", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 609, 530}, nullptr));
  Dialog download(IDD_TEST_PAGE), organizer(IDD_TEST_PAGE);
  ASSERT_TRUE(download.Create(owner.Handle()) && organizer.Create(owner.Handle()));
  RecordingFilter organizerKeys;
  const RECT area{121, 49, 608, 529};
  PageHost host(area);
  host.SetPage(0, download);
  host.SetPage(1, organizer.Handle(), &organizerKeys);
  EXPECT_EQ(-1, host.Shown());

  RECT placed{};
  ::GetWindowRect(organizer.Handle(), &placed);
  ::MapWindowPoints(nullptr, owner.Handle(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_TRUE(::EqualRect(&area, &placed));
  EXPECT_FALSE(::IsWindowVisible(download.Handle()) || ::IsWindowVisible(organizer.Handle()));

  EXPECT_FALSE(host.Show(2));  // an empty slot changes nothing
  ASSERT_TRUE(host.Show(1));
  EXPECT_EQ(1, host.Shown());
  EXPECT_TRUE(::IsWindowVisible(organizer.Handle()));
  MSG inOrganizer{::GetDlgItem(organizer.Handle(), IDC_TEST_LIST), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  MSG inDownload{::GetDlgItem(download.Handle(), IDC_TEST_LIST), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  MSG elsewhere{owner.Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  EXPECT_TRUE(host.PreTranslateMessage(inOrganizer));
  EXPECT_FALSE(host.PreTranslateMessage(inDownload));
  EXPECT_FALSE(host.PreTranslateMessage(elsewhere));
  EXPECT_EQ(std::vector<HWND>{inOrganizer.hwnd}, organizerKeys.seen);

  ASSERT_TRUE(host.Show(0));
  EXPECT_TRUE(::IsWindowVisible(download.Handle()));
  EXPECT_FALSE(::IsWindowVisible(organizer.Handle()));
  EXPECT_FALSE(host.PreTranslateMessage(inOrganizer));  // hidden pages get nothing
  host.OnParentMoved();
  EXPECT_TRUE(::IsWindowVisible(download.Handle()));
}

}  // namespace
}  // namespace dockline::ui
