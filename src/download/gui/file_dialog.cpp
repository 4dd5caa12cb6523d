#include "download/gui/file_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <string_view>
#include <vector>

#include "download/category_table.h"
#include "download/file_list.h"
#include "platform/win32/wide.h"

namespace dockline::download {
namespace {

// Room for the folder and several thousand names in one selection.
constexpr std::size_t kNameBufferChars = 1 << 20;

// "a|b||" → "a\0b\0\0": the dialog's filter form.
std::wstring DialogFilter(std::string_view filter) {
  std::wstring w = platform::Wide(filter);
  for (wchar_t& c : w)
    if (c == L'|') c = L'\0';
  w.push_back(L'\0');
  return w;
}

}  // namespace

FileChoice ChooseFiles(HWND owner, int category, const std::string& initialFolder) {
  const std::wstring filter = DialogFilter(CategoryTable::fileFilter(category));
  const std::wstring folder = platform::Wide(initialFolder);
  std::vector<wchar_t> names(kNameBufferChars, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = names.data();
  ofn.nMaxFile = static_cast<DWORD>(names.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_ENABLESIZING | OFN_EXPLORER;
  FileChoice choice;
  if (!::GetOpenFileNameW(&ofn)) {
    choice.outcome = ::CommDlgExtendedError() == FNERR_BUFFERTOOSMALL ? FileChoice::Outcome::TooMany
                                                                      : FileChoice::Outcome::Cancelled;
    return choice;
  }
  // Folder and names, each ended by a NUL, the whole by a second one.
  std::vector<std::string> parts;
  for (const wchar_t* p = names.data(); *p && p < names.data() + names.size();) {
    const std::wstring_view part(p);
    parts.push_back(platform::Narrow(part));
    p += part.size() + 1;
  }
  choice.outcome = FileChoice::Outcome::Chosen;
  choice.paths = ChosenPaths(parts);
  return choice;
}

}  // namespace dockline::download
