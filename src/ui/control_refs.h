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

class ComboBoxRef : public ControlRef {
 public:
  using ControlRef::ControlRef;
  // Answers the new item's index, or -1.
  int Add(std::string_view utf8) const;
  int Count() const { return static_cast<int>(Send(CB_GETCOUNT)); }
  // -1 when nothing is selected.
  int Selected() const { return static_cast<int>(Send(CB_GETCURSEL)); }
  bool Select(int index) const { return Send(CB_SETCURSEL, static_cast<WPARAM>(index)) != CB_ERR || index == -1; }
  void Clear() const { Send(CB_RESETCONTENT); }
};

// A report-style list view, optionally with check boxes.
class ListViewRef : public ControlRef {
 public:
  using ControlRef::ControlRef;
  void SetExtendedStyle(DWORD style) const { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, style, static_cast<LPARAM>(style)); }
  // Answers the column's index, or -1.
  int InsertColumn(int index, std::string_view title, int width, int format = LVCFMT_LEFT) const;
  std::string ItemText(int item, int column) const;
  int Count() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
  bool DeleteItem(int item) const { return Send(LVM_DELETEITEM, static_cast<WPARAM>(item)) != FALSE; }
  bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != FALSE; }
  LPARAM ItemData(int item) const;
  bool Checked(int item) const;
  void SetChecked(int item, bool on) const;
  bool Selected(int item) const { return (Send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) & LVIS_SELECTED) != 0; }
};

}  // namespace dockline::ui
