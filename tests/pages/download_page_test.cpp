#include "download/gui/download_page.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "download/category_table.h"
#include "resource.h"
#include "ui/ui_test_support.h"

namespace dockline::download {
namespace {

FileEntry File(const char* name, std::uint64_t size, int categoryNumber = 1) {
  return {true, size, name, categoryNumber, std::string("C:\\歌\\") + name};
}

std::vector<std::string> Column(FileListView& list, int column) {
  std::vector<std::string> texts;
  for (int row = 0; row < list.Count(); ++row) texts.push_back(list.List().ItemText(row, column));
  return texts;
}

class DownloadPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open(609, 530));
    ASSERT_TRUE(page.Create(host.Handle()));
    page.Show();
  }
  std::string Status() const { return page.ItemText(IDC_SELECTION_STATUS); }
  void ClickHeading(int column) {
    NMLISTVIEW click{};
    click.hdr = {page.Item(IDC_PC_LIST), IDC_PC_LIST, LVN_COLUMNCLICK};
    click.iSubItem = column;
    ::SendMessageW(page.Handle(), WM_NOTIFY, IDC_PC_LIST, reinterpret_cast<LPARAM>(&click));
  }
  void Add(std::initializer_list<FileEntry> files) {
    for (const FileEntry& f : files) page.PcList().AddRow(f, true);
    page.UpdateSelectionStatus();
  }

  testing::TestHost host;
  DownloadPage page;
};

TEST_F(DownloadPageTest, RowsShowTheirRecordsAndTicksDriveTheStatusLine) {
  Add({File("a.mp3", 1000), File("a.lrc", 1500), File("大.wma", 0x80000000ull), File("b.txt", 5000000000ull, 3)});
  FileListView& list = page.PcList();
  EXPECT_EQ((std::vector<std::string>{"1000", "1500", "2147483648", "5000000000"}), Column(list, kSizeColumn));
  EXPECT_EQ("3.电子图书", list.List().ItemText(3, kTypeColumn));
  EXPECT_EQ("C:\\歌\\大.wma", list.List().ItemText(2, kPathColumn));
  EXPECT_EQ("已选文件：4/4，共6979966(KB)", Status());
  struct Step {
    std::function<void()> act;
    const char* status;
  };
  const Step steps[] = {
      {[&] { list.List().SetChecked(3, false); }, "已选文件：3/4，共2097154(KB)"},
      {[&] { list.List().SetChecked(2, false); }, "已选文件：2/4，共2(KB)"},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(s.status, Status());
  }
}

TEST_F(DownloadPageTest, HeadingClicksSortByTheRecordsTicksAndTextsMovingAlong) {
  Add({File("b.mp3", 1000), File("阿.txt", 900, 3), File("a.lrc", 0x100000000ull), File("中.bmp", 5, 9)});
  page.PcList().List().SetChecked(0, false);
  using V = std::vector<std::string>;
  ClickHeading(kSizeColumn);
  EXPECT_EQ((V{"中.bmp", "阿.txt", "b.mp3", "a.lrc"}), Column(page.PcList(), kNameColumn));
  EXPECT_EQ((V{"5", "900", "1000", "4294967296"}), Column(page.PcList(), kSizeColumn));
  EXPECT_FALSE(page.PcList().Checked(2));
  ClickHeading(kSizeColumn);
  EXPECT_EQ((V{"a.lrc", "b.mp3", "阿.txt", "中.bmp"}), Column(page.PcList(), kNameColumn));
  ClickHeading(kNameColumn);
  EXPECT_EQ((V{"a.lrc", "b.mp3", "阿.txt", "中.bmp"}), Column(page.PcList(), kNameColumn));
  EXPECT_EQ(SortState::kNone, page.DeviceList().Sort().column);  // each list its own state
}

// The 写入后校验 and 跳过未改变的文件 boxes go with the PC list, like 下载, and
// tell of every change the user makes.
TEST_F(DownloadPageTest, TheOptionBoxesShowWithThePcListAndReportTheirChanges) {
  std::vector<bool> verifyTold, skipTold;
  DownloadPage::Commands commands;
  commands.verifyChanged = [&](bool on) { verifyTold.push_back(on); };
  commands.skipChanged = [&](bool on) { skipTold.push_back(on); };
  page.SetCommands(commands);
  const auto shown = [&] {
    const bool verify = ::IsWindowVisible(page.Item(IDC_VERIFY)) != FALSE;
    EXPECT_EQ(verify, ::IsWindowVisible(page.Item(IDC_SKIP_UNCHANGED)) != FALSE);
    return verify;
  };
  EXPECT_TRUE(shown());
  page.ShowDeviceView(0);
  EXPECT_FALSE(shown());
  page.ShowLocalList();
  page.EnterDownloadView();
  EXPECT_FALSE(shown());
  page.RestoreListView();
  EXPECT_TRUE(shown());

  page.SetVerifyChecked(true);
  page.SetSkipChecked(false);
  EXPECT_TRUE(page.VerifyChecked() && !page.SkipChecked());
  EXPECT_TRUE(verifyTold.empty() && skipTold.empty()) << "setting them is not a change by the user";
  for (int id : {IDC_VERIFY, IDC_VERIFY, IDC_SKIP_UNCHANGED}) ::SendMessageW(page.Item(id), BM_CLICK, 0, 0);
  EXPECT_EQ(verifyTold, (std::vector<bool>{false, true}));
  EXPECT_EQ(skipTold, std::vector<bool>{true});
  EXPECT_TRUE(page.VerifyChecked() && page.SkipChecked());
}

TEST_F(DownloadPageTest, NoRecordOutlivesItsRow) {
  Add({File("a", 1), File("b", 2), File("c", 3)});
  page.DeviceList().AddRow(File("d", 4), true);
  page.PcList().DeleteRow(1);
  EXPECT_EQ(2u, page.PcList().RecordCount());
  EXPECT_EQ("c", page.PcList().Record(1)->name);
  page.ClearDeviceList();
  EXPECT_EQ(0u, page.DeviceList().RecordCount());
  page.DeviceList().AddRow(File("e", 5), true);
  page.Destroy();
  EXPECT_EQ(0u, page.PcList().RecordCount());
  EXPECT_EQ(0u, page.DeviceList().RecordCount());
}

}  // namespace
}  // namespace dockline::download
