#include "ui/dropped_paths.h"

#include "platform/win32/wide.h"

namespace dockline::ui {

std::vector<std::string> TakeDroppedPaths(HDROP drop) {
  std::vector<std::string> paths;
  if (!drop) return paths;
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  paths.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    // Long paths too: the length is asked for, not assumed.
    std::wstring path(::DragQueryFileW(drop, i, nullptr, 0), L'\0');
    if (path.empty()) continue;
    const UINT copied = ::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
    path.resize(copied);
    if (!path.empty()) paths.push_back(platform::Narrow(path));
  }
  ::DragFinish(drop);
  return paths;
}

}  // namespace dockline::ui
