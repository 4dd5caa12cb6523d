#include "ui/control_refs.h"

#include <vector>

#include "platform/win32/wide.h"
#include "ui/window.h"

namespace dockline::ui {

std::string ControlRef::Text() const { return hwnd_ ? WindowTextUtf8(hwnd_) : std::string(); }

bool ControlRef::SetText(std::string_view utf8) const { return hwnd_ && SetWindowTextUtf8(hwnd_, utf8); }

int ComboBoxRef::Add(std::string_view utf8) const {
  const std::wstring w = platform::Wide(utf8);
  const LRESULT index = Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
  return index < 0 ? -1 : static_cast<int>(index);
}

int ListViewRef::InsertColumn(int index, std::string_view title, int width, int format) const {
  std::wstring w = platform::Wide(title);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = format;
  column.cx = width;
  column.pszText = w.data();
  return static_cast<int>(Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

// The control gives no length: ask with a growing buffer until the text fits.
std::string ListViewRef::ItemText(int item, int column) const {
  for (std::size_t size = 256; size <= (1u << 20); size *= 4) {
    std::vector<wchar_t> buffer(size, L'\0');
    LVITEMW lv{};
    lv.iSubItem = column;
    lv.pszText = buffer.data();
    lv.cchTextMax = static_cast<int>(size);
    const auto copied = static_cast<std::size_t>(
        Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv)));
    if (copied + 1 < size) return platform::Narrow(std::wstring_view(buffer.data(), copied));
  }
  return {};
}

LPARAM ListViewRef::ItemData(int item) const {
  LVITEMW lv{};
  lv.mask = LVIF_PARAM;
  lv.iItem = item;
  return Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv)) ? lv.lParam : 0;
}

// The check box is the row's state image: 1 unchecked, 2 checked.
bool ListViewRef::Checked(int item) const {
  const auto state = static_cast<UINT>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK));
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void ListViewRef::SetChecked(int item, bool on) const {
  LVITEMW lv{};
  lv.stateMask = LVIS_STATEIMAGEMASK;
  lv.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
  Send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
}

}  // namespace dockline::ui
