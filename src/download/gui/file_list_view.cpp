#include "download/gui/file_list_view.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "download/category_table.h"
#include "platform/win32/wide.h"

namespace dockline::download {

namespace {

struct ColumnLayout {
  const char* title;
  int format;
  int width;
};
constexpr ColumnLayout kColumns[kFileColumnCount] = {
    {"选", LVCFMT_CENTER, 20},        {"文件名", LVCFMT_LEFT, 200}, {"文件类型", LVCFMT_CENTER, 80},
    {"文件大小", LVCFMT_CENTER, 75}, {"路径", LVCFMT_LEFT, 1000},
};

// State and item data of a row in one call.
bool RowState(const ui::ListViewRef& list, int row, bool& checked, LPARAM& key) {
  LVITEMW item{};
  item.mask = LVIF_STATE | LVIF_PARAM;
  item.iItem = row;
  item.stateMask = LVIS_STATEIMAGEMASK;
  if (!list.Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return false;
  checked = ((item.state & LVIS_STATEIMAGEMASK) >> 12) == 2;
  key = item.lParam;
  return true;
}

int CALLBACK CompareRanks(LPARAM a, LPARAM b, LPARAM ranks) {
  const auto& rank = *reinterpret_cast<const std::unordered_map<LPARAM, int>*>(ranks);
  const auto ra = rank.find(a), rb = rank.find(b);
  const int x = ra == rank.end() ? 0 : ra->second;
  const int y = rb == rank.end() ? 0 : rb->second;
  return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace

bool FileListView::Bind(HWND dialog, int id) {
  if (!list_.Bind(dialog, id)) return false;
  list_.SetExtendedStyle(kExtendedStyle);
  for (int c = 0; c < kFileColumnCount; ++c) list_.InsertColumn(c, kColumns[c].title, kColumns[c].width, kColumns[c].format);
  return true;
}

int FileListView::AddRow(FileEntry entry, bool checked) {
  const RecordKey key = records_.Add(std::move(entry));
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
  item.iItem = list_.Count();
  item.pszText = LPSTR_TEXTCALLBACKW;
  item.lParam = static_cast<LPARAM>(key);
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  const int row = static_cast<int>(list_.Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) {
    records_.Remove(key);
    return -1;
  }
  // Some list versions ignore the state image given at insertion.
  if (list_.Checked(row) != checked) list_.SetChecked(row, checked);
  return row;
}

void FileListView::OnDisplayInfo(NMLVDISPINFOW& info) const {
  if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
  // The key is asked for: not every list version fills it in for a column.
  const FileEntry* e = Record(info.item.iItem);
  std::string text;
  switch (info.item.iSubItem) {
    case kCheckColumn: text = " "; break;
    case kNameColumn: text = e ? e->name : ""; break;
    case kTypeColumn: text = e ? CategoryTable::typeText(e->categoryNumber - 1) : ""; break;
    case kSizeColumn: text = e ? SizeText(e->size) : ""; break;
    case kPathColumn: text = e ? e->path : ""; break;
    default: break;
  }
  const std::wstring w = platform::Wide(text);
  const std::size_t n = std::min(w.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
  w.copy(info.item.pszText, n);
  info.item.pszText[n] = L'\0';
}

const FileEntry* FileListView::Record(int row) const {
  return records_.Find(static_cast<RecordKey>(list_.ItemData(row)));
}

std::vector<bool> FileListView::Ticks() const {
  const int n = list_.Count();
  std::vector<bool> ticks(static_cast<std::size_t>(n));
  for (int row = 0; row < n; ++row) ticks[static_cast<std::size_t>(row)] = list_.Checked(row);
  return ticks;
}

int FileListView::RowHolding(int row, RecordKey key) const {
  if (row >= 0 && row < list_.Count() && Key(row) == key) return row;
  LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = static_cast<LPARAM>(key);
  return static_cast<int>(list_.Send(LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

bool FileListView::DeleteRowHolding(int row, RecordKey key) {
  const int found = RowHolding(row, key);
  return found >= 0 && list_.DeleteItem(found);
}

void FileListView::TickRowHolding(int row, RecordKey key, bool ticked) {
  const int found = RowHolding(row, key);
  if (found >= 0 && list_.Checked(found) != ticked) list_.SetChecked(found, ticked);
}

void FileListView::SuspendDrawing(bool suspend) {
  list_.Send(WM_SETREDRAW, suspend ? FALSE : TRUE);
  if (!suspend) ::InvalidateRect(list_.Handle(), nullptr, TRUE);
}

void FileListView::Clear() {
  list_.DeleteAllItems();
  records_.Clear();  // also when the list could not say so itself
}

SelectionSummary FileListView::Summary() const {
  SelectionSummary summary;
  const int n = list_.Count();
  for (int row = 0; row < n; ++row) {
    bool checked = false;
    LPARAM key = 0;
    if (!RowState(list_, row, checked, key)) continue;
    const FileEntry* e = records_.Find(static_cast<RecordKey>(key));
    summary.Add(checked, e ? e->size : 0);
  }
  return summary;
}

void FileListView::SortByColumn(int column) {
  if (column < 0 || column >= kFileColumnCount) return;
  sort_.Click(column);
  const int n = list_.Count();
  std::vector<SortRow> rows;
  rows.reserve(static_cast<std::size_t>(n));
  for (int row = 0; row < n; ++row) {
    bool checked = false;
    LPARAM key = 0;
    if (RowState(list_, row, checked, key)) rows.push_back({static_cast<RecordKey>(key), checked});
  }
  // The order is worked out once; the list then only compares ranks.
  const std::vector<RecordKey> order = SortedOrder(rows, records_, column, sort_.ascending);
  std::unordered_map<LPARAM, int> ranks;
  ranks.reserve(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) ranks.emplace(static_cast<LPARAM>(order[i]), static_cast<int>(i));
  list_.Send(LVM_SORTITEMS, reinterpret_cast<WPARAM>(&ranks), reinterpret_cast<LPARAM>(&CompareRanks));
}

}  // namespace dockline::download
