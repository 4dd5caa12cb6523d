#include "download/gui/download_page.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "download/category_table.h"
#include "page_test_support.h"
#include "platform/file_system.h"
#include "resource.h"
#include "support/scratch_folder.h"

namespace dockline::download {
namespace {

using testing::PageHost;

FileEntry File(const char* name, std::uint64_t size, int categoryNumber = 1) {
  return {true, size, name, categoryNumber, std::string("C:\\歌\\") + name};
}

class DownloadPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    DownloadPage::RegisterWindowClasses();
    ASSERT_TRUE(page.Create(host.Handle()));
    page.Show();
  }
  std::string Status() const { return page.ItemText(IDC_SELECTION_STATUS); }
  bool Visible(int id) const { return ::IsWindowVisible(page.Item(id)) != FALSE; }
  std::vector<std::string> Column(FileListView& list, int column) const {
    std::vector<std::string> texts;
    for (int row = 0; row < list.Count(); ++row) texts.push_back(list.List().ItemText(row, column));
    return texts;
  }
  void ClickHeading(int listId, int column) {
    NMLISTVIEW click{};
    click.hdr = {page.Item(listId), static_cast<UINT_PTR>(listId), LVN_COLUMNCLICK};
    click.iItem = -1;
    click.iSubItem = column;
    ::SendMessageW(page.Handle(), WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&click));
  }
  void Add(std::initializer_list<FileEntry> files) {
    page.BeginAdding();
    for (const FileEntry& f : files) page.AddFile(f);
    page.EndAdding();
    page.UpdateSelectionStatus();
  }

  PageHost host;
  DownloadPage page;
};

TEST_F(DownloadPageTest, StartsOnTheEmptyPcListWithTheRunControlsHidden) {
  EXPECT_EQ("已选文件：0/0，共0(KB)", Status());
  EXPECT_EQ(DownloadPage::View::Local, page.CurrentView());
  for (int id : {IDC_PC_LIST, IDC_SELECTION_STATUS, IDC_PAGE_BANNER, IDC_DOWNLOAD, IDC_SELECT_ALL, IDC_INVERT,
                 IDC_DELETE, IDC_LOCAL_TAB, IDC_DEVICE_TAB}) {
    EXPECT_TRUE(Visible(id)) << id;
  }
  for (int id : {IDC_DEVICE_LIST, IDC_RUN_TEXT, IDC_OVERALL_BAR, IDC_FILE_BAR, IDC_STOP, IDC_TYPE_LABEL,
                 IDC_TYPE_COMBO, IDC_DOWNLOAD_PICTURE, IDC_RUN_COUNTER}) {
    EXPECT_FALSE(Visible(id)) << id;
  }
  const RECT pc = testing::RectIn(page.Handle(), page.Item(IDC_PC_LIST));
  EXPECT_TRUE(testing::SameRect(pc, testing::RectIn(page.Handle(), page.Item(IDC_DEVICE_LIST))));
  const RECT stop = testing::RectIn(page.Handle(), page.Item(IDC_STOP));
  EXPECT_TRUE(testing::SameRect(RECT{pc.left + 275, pc.top + 230, pc.left + 355, pc.top + 250}, stop));
  const RECT bar = testing::RectIn(page.Handle(), page.Item(IDC_OVERALL_BAR));
  EXPECT_TRUE(testing::SameRect(RECT{pc.left + 215, pc.top + 200, pc.left + 415, pc.top + 220}, bar));

  const std::pair<std::string, int> columns[] = {
      {"选", 20}, {"文件名", 200}, {"文件类型", 80}, {"文件大小", 75}, {"路径", 1000}};
  for (int id : {IDC_PC_LIST, IDC_DEVICE_LIST}) {
    HWND list = page.Item(id);
    EXPECT_EQ(5, testing::ColumnCount(list));
    for (int c = 0; c < 5; ++c) EXPECT_EQ(columns[c], testing::Column(list, c));
    const DWORD ex = static_cast<DWORD>(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(FileListView::kExtendedStyle, ex & FileListView::kExtendedStyle);
  }
  ui::ComboBoxRef combo(page.Item(IDC_TYPE_COMBO));
  ASSERT_EQ(9, combo.Count());
  EXPECT_EQ("数 码MP3", combo.ItemText(0));
  EXPECT_EQ("下载图片", combo.ItemText(8));
}

TEST_F(DownloadPageTest, RowsShowTheirRecordsAndTicksDriveTheStatusLine) {
  Add({File("a.mp3", 1000), File("a.lrc", 1500), File("大.wma", 0x80000000ull), File("b.txt", 5000000000ull, 3)});
  FileListView& list = page.PcList();
  EXPECT_EQ((std::vector<std::string>{"a.mp3", "a.lrc", "大.wma", "b.txt"}), Column(list, kNameColumn));
  EXPECT_EQ((std::vector<std::string>{"1000", "1500", "2147483648", "5000000000"}), Column(list, kSizeColumn));
  EXPECT_EQ((std::vector<std::string>{"1.数 码MP3", "1.数 码MP3", "1.数 码MP3", "3.电子图书"}),
            Column(list, kTypeColumn));
  EXPECT_EQ("C:\\歌\\大.wma", list.List().ItemText(2, kPathColumn));
  EXPECT_EQ(" ", list.List().ItemText(0, kCheckColumn));
  EXPECT_EQ("已选文件：4/4，共6979966(KB)", Status());

  struct Step {
    std::function<void()> act;
    const char* status;
  };
  const Step steps[] = {
      {[&] { list.List().SetChecked(3, false); }, "已选文件：3/4，共2097154(KB)"},
      {[&] { list.List().SetChecked(2, false); }, "已选文件：2/4，共2(KB)"},
      {[&] { page.Invert(); }, "已选文件：2/4，共6979964(KB)"},
      {[&] { page.SelectAll(); }, "已选文件：4/4，共6979966(KB)"},
      {[&] { list.List().SetChecked(0, false); }, "已选文件：3/4，共6979965(KB)"},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(s.status, Status());
  }
}

TEST_F(DownloadPageTest, SelectAllAndInvertInTheDeviceViewLeaveThePcListAlone) {
  Add({File("a.mp3", 2048)});
  page.PcList().List().SetChecked(0, false);
  page.DeviceList().AddRow(File("on.mp3", 10), false);
  page.DeviceList().AddRow(File("device.mp3", 10), true);
  page.ShowDeviceView(0);
  EXPECT_TRUE(Visible(IDC_TYPE_COMBO));
  EXPECT_FALSE(Visible(IDC_PC_LIST));
  EXPECT_FALSE(Visible(IDC_DOWNLOAD));
  page.Invert();
  EXPECT_TRUE(page.DeviceList().Checked(0));
  EXPECT_FALSE(page.DeviceList().Checked(1));
  page.SelectAll();
  EXPECT_TRUE(page.DeviceList().Checked(1));
  EXPECT_FALSE(page.PcList().Checked(0));
  EXPECT_EQ("已选文件：0/1，共0(KB)", Status());
  page.ShowLocalList();
  EXPECT_TRUE(Visible(IDC_PC_LIST));
  EXPECT_FALSE(Visible(IDC_DEVICE_LIST));
  EXPECT_EQ(DownloadPage::View::Local, page.CurrentView());
}

TEST_F(DownloadPageTest, HeadingClicksSortEachListByItsRecords) {
  Add({File("b.mp3", 1000, 1), File("阿.txt", 900, 3), File("a.lrc", 0x100000000ull, 1), File("中.bmp", 5, 9)});
  page.PcList().List().SetChecked(1, false);
  page.PcList().List().SetChecked(3, false);
  using V = std::vector<std::string>;
  struct Case {
    int column;
    V firstClick;
    V secondClick;
  };
  const Case cases[] = {
      {kNameColumn, {"a.lrc", "b.mp3", "阿.txt", "中.bmp"}, {"中.bmp", "阿.txt", "b.mp3", "a.lrc"}},
      {kSizeColumn, {"中.bmp", "阿.txt", "b.mp3", "a.lrc"}, {"a.lrc", "b.mp3", "阿.txt", "中.bmp"}},
      // Equal keys keep the order the previous sort left.
      {kTypeColumn, {"a.lrc", "b.mp3", "阿.txt", "中.bmp"}, {"中.bmp", "阿.txt", "a.lrc", "b.mp3"}},
      {kPathColumn, {"a.lrc", "b.mp3", "阿.txt", "中.bmp"}, {"中.bmp", "阿.txt", "b.mp3", "a.lrc"}},
      {kCheckColumn, {"b.mp3", "a.lrc", "中.bmp", "阿.txt"}, {"中.bmp", "阿.txt", "b.mp3", "a.lrc"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    ClickHeading(IDC_PC_LIST, c.column);
    EXPECT_EQ(c.firstClick, Column(page.PcList(), kNameColumn));
    ClickHeading(IDC_PC_LIST, c.column);
    EXPECT_EQ(c.secondClick, Column(page.PcList(), kNameColumn));
  }
  // The texts moved with their records, and the ticks with their rows.
  EXPECT_EQ("a.lrc", page.PcList().Record(3)->name);
  EXPECT_EQ("4294967296", page.PcList().List().ItemText(3, kSizeColumn));
  EXPECT_TRUE(page.PcList().Checked(3));
  EXPECT_EQ(page.PcList().Sort().column, kCheckColumn);
  EXPECT_EQ(SortState::kNone, page.DeviceList().Sort().column);  // each list its own state
}

TEST_F(DownloadPageTest, NoRecordOutlivesItsRow) {
  Add({File("a", 1), File("b", 2), File("c", 3)});
  page.DeviceList().AddRow(File("d", 4), true);
  page.DeviceList().AddRow(File("e", 5), true);
  EXPECT_EQ(3u, page.PcList().RecordCount());
  page.PcList().DeleteRow(1);
  EXPECT_EQ(2u, page.PcList().RecordCount());
  EXPECT_EQ("c", page.PcList().Record(1)->name);
  page.ClearDeviceList();
  EXPECT_EQ(0, page.DeviceList().Count());
  EXPECT_EQ(0u, page.DeviceList().RecordCount());
  page.ReleaseRecords();
  EXPECT_EQ(0u, page.PcList().RecordCount());

  Add({File("f", 6)});
  page.DeviceList().AddRow(File("g", 7), true);
  page.Destroy();
  EXPECT_EQ(0u, page.PcList().RecordCount());
  EXPECT_EQ(0u, page.DeviceList().RecordCount());
}

TEST_F(DownloadPageTest, DownloadViewSwapsTheListsForTheRunControlsAndBack) {
  page.EnterDownloadView();
  for (int id : {IDC_DOWNLOAD_PICTURE, IDC_RUN_TEXT, IDC_OVERALL_BAR, IDC_FILE_BAR, IDC_STOP, IDC_RUN_COUNTER})
    EXPECT_TRUE(Visible(id)) << id;
  for (int id : {IDC_PC_LIST, IDC_DOWNLOAD, IDC_SELECT_ALL, IDC_LOCAL_TAB, IDC_PAGE_BANNER}) EXPECT_FALSE(Visible(id)) << id;
  page.SetItemText(IDC_RUN_COUNTER, "已下载文件数：3/7");
  page.RestoreListView();
  EXPECT_EQ("已下载文件数：0/0", page.ItemText(IDC_RUN_COUNTER));
  for (int id : {IDC_DOWNLOAD_PICTURE, IDC_STOP, IDC_RUN_COUNTER}) EXPECT_FALSE(Visible(id)) << id;
  for (int id : {IDC_PC_LIST, IDC_DOWNLOAD, IDC_SELECTION_STATUS}) EXPECT_TRUE(Visible(id)) << id;
}

TEST_F(DownloadPageTest, HelpGoesToTheParentAndKeysAreIgnored) {
  HELPINFO info{};
  info.cbSize = sizeof info;
  ::SendMessageW(page.Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(1, host.helpRequests);
  ::SendMessageW(page.Handle(), WM_KEYDOWN, VK_RETURN, 0);
  ::SendMessageW(page.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(::IsWindowVisible(page.Handle()));
}

// ---- the whole selection, with the real file dialog ----

class SelectionTest : public dockline::testing::ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    ASSERT_TRUE(host.Open());
    DownloadPage::RegisterWindowClasses();
    ASSERT_TRUE(page.Create(host.Handle()));
    settings.SetFile(Path("dict.ini"));
  }
  // Types `names` into the file dialog once it shows and confirms it.
  static bool ConfirmDialog(const std::wstring& names) {
    HWND dialog = testing::FindThreadDialog();
    if (!dialog) return false;
    HWND edit = ::GetDlgItem(dialog, 0x47C);  // the name combo of the explorer dialog
    if (!edit) edit = ::GetDlgItem(dialog, 0x480);
    if (!edit) return false;
    ::SetWindowTextW(edit, names.c_str());
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    return true;
  }

  testing::PageHost host;
  DownloadPage page;
  DownloadPathStore settings;
  std::atomic<std::int32_t> running{0};
};

TEST_F(SelectionTest, ChosenSongsArriveTickedWithTheirLyricsAndTheFolderIsRemembered) {
  Write(Path("a.mp3"), std::string(3000, 'a'));
  Write(Path("a.lrc"), "[00:01]");
  Write(Path("b.wma"), std::string(10, 'b'));
  settings.WriteValue(kDownPathSection, CategoryTable::label(0), dir_);
  testing::WhenModal driver([] { return ConfirmDialog(L"\"a.mp3\" \"b.wma\""); });
  ASSERT_TRUE(page.SelectCategory(0, settings, running, host.Handle()));
  ASSERT_TRUE(driver.Done());
  FileListView& list = page.PcList();
  ASSERT_EQ(3, list.Count());
  const char* names[] = {"a.mp3", "a.lrc", "b.wma"};
  const char* sizes[] = {"3000", "7", "10"};
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(names[row], list.List().ItemText(row, kNameColumn));
    EXPECT_EQ(sizes[row], list.List().ItemText(row, kSizeColumn));
    EXPECT_EQ("1.数 码MP3", list.List().ItemText(row, kTypeColumn));
    EXPECT_TRUE(list.Checked(row));
  }
  EXPECT_EQ(Path("a.lrc"), list.List().ItemText(1, kPathColumn));
  EXPECT_EQ("已选文件：3/3，共2(KB)", page.ItemText(IDC_SELECTION_STATUS));
  EXPECT_EQ(dir_, settings.ReadValue(kDownPathSection, CategoryTable::label(0)));
  EXPECT_EQ(nullptr, testing::FindThreadDialog());  // the wait popup is gone
}

TEST_F(SelectionTest, RefusedWhileADownloadRuns) {
  running = 1;
  std::string box;
  testing::WhenModal driver([&box] {
    HWND dialog = testing::FindThreadDialog();
    if (!dialog) return false;
    wchar_t text[256] = {};
    ::GetDlgItemTextW(dialog, 0xFFFF, text, 256);
    box = platform::Narrow(text);
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return true;
  });
  EXPECT_FALSE(page.SelectCategory(0, settings, running, host.Handle()));
  EXPECT_TRUE(driver.Done());
  EXPECT_EQ("正在下载,请稍等片刻", box);
  EXPECT_EQ(0, page.PcList().Count());
}

}  // namespace
}  // namespace dockline::download
