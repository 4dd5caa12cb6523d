#pragma once
// One of the download page's two file lists: a report list view with check
// boxes and the five file columns, and the records its rows own. A row holds
// its record's key as item data; the record goes when the row goes, whoever
// deletes it (the list tells the page, which calls OnRowDeleted). The texts
// a row shows are made from its record whenever the list asks, so adding a
// row is one message and a text can never disagree with its record.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "download/file_list.h"
#include "ui/control_refs.h"

namespace dockline::download {

class FileListView {
 public:
  // Grid lines, check boxes, full-row selection, flat scroll bars.
  static constexpr DWORD kExtendedStyle =
      LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB;

  // Binds the dialog's list, sets its styles and inserts the five columns.
  bool Bind(HWND dialog, int id);
  const ui::ListViewRef& List() const { return list_; }
  HWND Handle() const { return list_.Handle(); }

  // Appends a row owning `entry`; answers its index, or -1 (nothing kept).
  int AddRow(FileEntry entry, bool checked);
  // The record of a row; null for a row without one.
  const FileEntry* Record(int row) const;
  RecordKey Key(int row) const { return static_cast<RecordKey>(list_.ItemData(row)); }
  int Count() const { return list_.Count(); }
  bool Checked(int row) const { return list_.Checked(row); }
  // Every row's tick, top to bottom.
  std::vector<bool> Ticks() const;
  std::size_t RecordCount() const { return records_.Count(); }

  // Deletes a row with its record.
  bool DeleteRow(int row) { return list_.DeleteItem(row); }
  // Deletes or ticks the row holding `key`: the one at `row` unless the rows
  // have moved since; nothing when no row holds it any more.
  bool DeleteRowHolding(int row, RecordKey key);
  void TickRowHolding(int row, RecordKey key, bool ticked);
  // Under Wine a row added or deleted while the list draws costs it
  // milliseconds, while drawing is suspended microseconds.
  void SuspendDrawing(bool suspend);
  // Removes every row and every record.
  void Clear();
  // The list's delete notifications: the rows' records go with them.
  void OnRowDeleted(LPARAM key) { records_.Remove(static_cast<RecordKey>(key)); }
  void OnAllRowsDeleted() { records_.Clear(); }
  // The rows' texts are not stored in the list: it asks for them when it
  // draws or is read, and they come from the records.
  void OnDisplayInfo(NMLVDISPINFOW& info) const;

  // Rows, ticked rows and ticked bytes, in one pass.
  SelectionSummary Summary() const;
  // A click on a column heading: sorts by that column, flipping the
  // direction when it is the column sorted last.
  void SortByColumn(int column);
  const SortState& Sort() const { return sort_; }

 private:
  int RowHolding(int row, RecordKey key) const;

  ui::ListViewRef list_;
  FileRecords records_;
  SortState sort_;
};

}  // namespace dockline::download
