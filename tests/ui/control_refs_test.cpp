#include "ui/control_refs.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/dialog.h"
#include "ui_test_support.h"

namespace dockline::ui {
namespace {

using dockline::testing::MemoryDialogTemplate;

constexpr int kListId = 601;
constexpr int kComboId = 602;
constexpr int kCheckId = 603;

class Page : public Dialog {
 public:
  using Dialog::Dialog;
  ListViewRef list;
  ComboBoxRef combo;
  ButtonRef check;
  ControlRef missing;
  bool missingBound = true;

 protected:
  bool OnInitDialog() override {
    list.Bind(Handle(), kListId);
    combo.Bind(Handle(), kComboId);
    check.Bind(Handle(), kCheckId);
    missingBound = missing.Bind(Handle(), 999);
    return true;
  }
};

class ControlRefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    RegisterWindowClass(L"DocklineRefsParent");
    ASSERT_TRUE(parent.Create(L"DocklineRefsParent", "p", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 400, 300}, nullptr));
    ASSERT_TRUE(page.Create(parent.Handle()));
  }
  Window parent;
  MemoryDialogTemplate tmpl = MakeTemplateWithListView();
  Page page{tmpl.Get()};

 private:
  // A list view has no predefined class atom: build the template by name.
  static MemoryDialogTemplate MakeTemplateWithListView() {
    MemoryDialogTemplate t(WS_CHILD | DS_CONTROL, 0, 0, 250, 150);
    t.AddNamedControl(LVS_REPORT | WS_BORDER, 5, 5, 200, 80, kListId, WC_LISTVIEWW, L"");
    t.AddControl(CBS_DROPDOWNLIST | WS_VSCROLL, 5, 90, 100, 60, kComboId, 0x0085, L"");
    t.AddControl(BS_AUTOCHECKBOX, 110, 90, 60, 12, kCheckId, 0x0080, L"勾选");
    return t;
  }
};

TEST_F(ControlRefsTest, BindFindsTheDialogsControlsAndReportsMissingOnes) {
  EXPECT_TRUE(page.list);
  EXPECT_EQ(kListId, page.list.Id());
  EXPECT_FALSE(page.missingBound);
  EXPECT_EQ("勾选", page.check.Text());
  page.check.SetChecked(true);
  EXPECT_TRUE(page.check.Checked());
  page.check.Enable(false);
  EXPECT_FALSE(page.check.IsEnabled());
}

TEST_F(ControlRefsTest, ListViewRowsKeepTextDataAndCheckBoxes) {
  ListViewRef& list = page.list;
  list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  EXPECT_TRUE(list.ExtendedStyle() & LVS_EX_CHECKBOXES);
  EXPECT_EQ(0, list.InsertColumn(0, "文件名", 120));
  EXPECT_EQ(1, list.InsertColumn(1, "类型", 60));
  EXPECT_EQ(2, list.ColumnCount());

  EXPECT_EQ(0, list.InsertItem(0, "歌曲.mp3", 11));
  EXPECT_EQ(1, list.InsertItem(list.Count(), "词典.dic", 22));
  EXPECT_TRUE(list.SetItemText(1, 1, "4.下载词典"));
  EXPECT_EQ("歌曲.mp3", list.ItemText(0, 0));
  EXPECT_EQ("4.下载词典", list.ItemText(1, 1));
  EXPECT_EQ(22, list.ItemData(1));
  EXPECT_TRUE(list.SetItemData(1, 33));
  EXPECT_EQ(33, list.ItemData(1));

  EXPECT_FALSE(list.Checked(0));
  list.SetChecked(0, true);
  EXPECT_TRUE(list.Checked(0));
  EXPECT_FALSE(list.Checked(1));

  list.SetSelected(1, true);
  EXPECT_EQ(1, list.NextSelected());
  EXPECT_EQ(-1, list.NextSelected(1));
  EXPECT_EQ(1, list.SelectedCount());

  EXPECT_TRUE(list.DeleteItem(0));
  EXPECT_EQ("词典.dic", list.ItemText(0, 0));
  EXPECT_TRUE(list.DeleteAllItems());
  EXPECT_EQ(0, list.Count());
}

TEST_F(ControlRefsTest, LongItemTextComesBackWhole) {
  page.list.InsertColumn(0, "名", 100);
  const std::string longName(700, 'a');
  page.list.InsertItem(0, longName + "字");
  EXPECT_EQ(longName + "字", page.list.ItemText(0, 0));
}

TEST_F(ControlRefsTest, ComboBoxItemsAndSelection) {
  ComboBoxRef& combo = page.combo;
  EXPECT_EQ(-1, combo.Selected());
  combo.Add("电子图书");
  combo.Add("下载词典");
  EXPECT_EQ(2, combo.Count());
  EXPECT_TRUE(combo.Select(1));
  EXPECT_EQ(1, combo.Selected());
  EXPECT_EQ("下载词典", combo.ItemText(combo.Selected()));
  EXPECT_EQ("", combo.ItemText(5));
  combo.Clear();
  EXPECT_EQ(0, combo.Count());
}

}  // namespace
}  // namespace dockline::ui
