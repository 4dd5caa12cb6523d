#include "download/file_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace dockline::download {
namespace {

TEST(FileListTextTest, StatusLineCountsTickedBytesInWholeKilobytes) {
  struct Case {
    std::vector<std::pair<bool, std::uint64_t>> rows;
    const char* expected;
  };
  const Case cases[] = {
      {{}, "已选文件：0/0，共0(KB)"},
      {{{true, 1000}, {true, 1500}, {true, 600}, {false, 5000}, {false, 7000}}, "已选文件：3/5，共3(KB)"},
      {{{true, 1023}}, "已选文件：1/1，共0(KB)"},
      // Sizes past 32 bits count in full, alone and summed.
      {{{true, 0x80000000ull}, {true, 0x80000000ull}, {true, 1024}}, "已选文件：3/3，共4194305(KB)"},
      {{{true, 5ull << 40}}, "已选文件：1/1，共5368709120(KB)"},
  };
  for (const Case& c : cases) {
    SelectionSummary s;
    for (const auto& [checked, size] : c.rows) s.Add(checked, size);
    EXPECT_EQ(c.expected, s.Text());
  }
  EXPECT_EQ("2147483648", SizeText(0x80000000ull));
}

TEST(FileRecordsTest, AKeyIsNeverReusedSoAStaleRowReachesNoRecord) {
  FileRecords records;
  const RecordKey a = records.Add({true, 1, "a", 1, "C:\\a"});
  EXPECT_TRUE(records.Remove(a));
  EXPECT_FALSE(records.Remove(a));
  const RecordKey b = records.Add({true, 2, "b", 2, "C:\\b"});
  EXPECT_NE(a, b);
  EXPECT_EQ(nullptr, records.Find(a));
  EXPECT_EQ("b", records.Find(b)->name);
}

class SortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // name, size, category, path, ticked
    Row("b.mp3", 1000, 1, "D:\\z\\b.mp3", true);
    Row("阿.txt", 900, 3, "C:\\y\\阿.txt", false);
    Row("a.lrc", 0x100000000ull, 1, "D:\\z\\a.lrc", true);
    Row("中.bmp", 5, 9, "C:\\x\\中.bmp", false);
  }
  void Row(const char* name, std::uint64_t size, int category, const char* path, bool checked) {
    rows.push_back({records.Add({true, size, name, category, path}), checked});
  }
  std::vector<std::string> Names(int column, bool ascending) const {
    std::vector<std::string> names;
    for (RecordKey k : SortedOrder(rows, records, column, ascending)) names.push_back(records.Find(k)->name);
    return names;
  }
  FileRecords records;
  std::vector<SortRow> rows;
};

TEST_F(SortTest, EachColumnByItsRecordKeyBothWays) {
  using V = std::vector<std::string>;
  struct Case {
    int column;
    V ascending;
  };
  // 阿 is B0A2 in GBK, 中 D6D0: 阿 comes first, after every ASCII name.
  const Case cases[] = {
      {kCheckColumn, {"b.mp3", "a.lrc", "阿.txt", "中.bmp"}},
      {kNameColumn, {"a.lrc", "b.mp3", "阿.txt", "中.bmp"}},
      {kTypeColumn, {"b.mp3", "a.lrc", "阿.txt", "中.bmp"}},
      {kSizeColumn, {"中.bmp", "阿.txt", "b.mp3", "a.lrc"}},  // 900 before 1000, 4 GiB last
      {kPathColumn, {"中.bmp", "阿.txt", "a.lrc", "b.mp3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    EXPECT_EQ(c.ascending, Names(c.column, true));
    V descending(c.ascending.rbegin(), c.ascending.rend());
    if (c.column == kCheckColumn || c.column == kTypeColumn) {
      // Equal keys keep their present order in both directions.
      descending = c.column == kCheckColumn ? V{"阿.txt", "中.bmp", "b.mp3", "a.lrc"}
                                            : V{"中.bmp", "阿.txt", "b.mp3", "a.lrc"};
    }
    EXPECT_EQ(descending, Names(c.column, false));
  }
}

}  // namespace
}  // namespace dockline::download
