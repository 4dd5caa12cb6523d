#pragma once
// Typed, non-owning handles to a dialog's standard controls, bound after the
// dialog's window exists (in OnInitDialog):
//   ui::ListViewRef pcList;  pcList.Bind(Handle(), IDC_PC_LIST);
// They neither subclass nor destroy the control: the dialog owns it. Texts
// are UTF-8. A control that draws itself is a ui::Window attached instead.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>

namespace dockline::ui {

class ControlRef {
 public:
  ControlRef() = default;
  explicit ControlRef(HWND hwnd) : hwnd_(hwnd) {}
  // Answers whether the dialog has a control with that id.
  bool Bind(HWND dialog, int id) {
    hwnd_ = ::GetDlgItem(dialog, id);
    return hwnd_ != nullptr;
  }
  HWND Handle() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ != nullptr; }

  int Id() const { return ::GetDlgCtrlID(hwnd_); }
  std::string Text() const;
  bool SetText(std::string_view utf8) const;
  bool Enable(bool on) const { return ::EnableWindow(hwnd_, on ? TRUE : FALSE) != FALSE; }
  bool IsEnabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
  void Show(bool on) const { ::ShowWindow(hwnd_, on ? SW_SHOW : SW_HIDE); }
  bool IsVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(hwnd_, message, wParam, lParam);
  }

 protected:
  HWND hwnd_ = nullptr;
};

class ButtonRef : public ControlRef {
 public:
  using ControlRef::ControlRef;
  bool Checked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
  void SetChecked(bool on) const { Send(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); }
};

class EditRef : public ControlRef {
 public:
  using ControlRef::ControlRef;
  void SetLimit(int characters) const { Send(EM_SETLIMITTEXT, static_cast<WPARAM>(characters)); }
  void SetReadOnly(bool on) const { Send(EM_SETREADONLY, on ? TRUE : FALSE); }
};

class ComboBoxRef : public ControlRef {
 public:
  using ControlRef::ControlRef;
  // Answers the new item's index, or -1.
  int Add(std::string_view utf8) const;
  int Count() const { return static_cast<int>(Send(CB_GETCOUNT)); }
  std::string ItemText(int index) const;
  // -1 when nothing is selected.
  int Selected() const { return static_cast<int>(Send(CB_GETCURSEL)); }
  bool Select(int index) const { return Send(CB_SETCURSEL, static_cast<WPARAM>(index)) != CB_ERR || index == -1; }
  void Clear() const { Send(CB_RESETCONTENT); }
};

class ProgressBarRef : public ControlRef {
 public:
  using ControlRef::ControlRef;
  void SetRange(int lower, int upper) const { Send(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  int SetPos(int position) const { return static_cast<int>(Send(PBM_SETPOS, static_cast<WPARAM>(position))); }
};

// A report-style list view, optionally with check boxes.
class ListViewRef : public ControlRef {
 public:
  using ControlRef::ControlRef;
  void SetExtendedStyle(DWORD style) const { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, style, static_cast<LPARAM>(style)); }
  DWORD ExtendedStyle() const { return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
  // Answers the column's index, or -1.
  int InsertColumn(int index, std::string_view title, int width, int format = LVCFMT_LEFT) const;
  int ColumnCount() const;
  // Inserts a row at `index` (Count() appends) with its first column's text
  // and the value kept with it; answers the row's index, or -1.
  int InsertItem(int index, std::string_view utf8, LPARAM data = 0) const;
  bool SetItemText(int item, int column, std::string_view utf8) const;
  std::string ItemText(int item, int column) const;
  int Count() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
  bool DeleteItem(int item) const { return Send(LVM_DELETEITEM, static_cast<WPARAM>(item)) != FALSE; }
  bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != FALSE; }
  LPARAM ItemData(int item) const;
  bool SetItemData(int item, LPARAM data) const;
  bool Checked(int item) const;
  void SetChecked(int item, bool on) const;
  bool Selected(int item) const { return (Send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) & LVIS_SELECTED) != 0; }
  void SetSelected(int item, bool on) const;
  // The next selected row after `after` (-1: from the top), or -1.
  int NextSelected(int after = -1) const {
    return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
  }
  int SelectedCount() const { return static_cast<int>(Send(LVM_GETSELECTEDCOUNT)); }
  bool EnsureVisible(int item) const { return Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE) != FALSE; }
};

}  // namespace dockline::ui
