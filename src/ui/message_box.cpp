#include "ui/message_box.h"

#include <atomic>

#include "platform/win32/wide.h"

namespace dockline::ui {
namespace {
std::atomic<HWND> gMainWindow{nullptr};
}

void SetMainWindow(HWND hwnd) { gMainWindow.store(hwnd); }

HWND MainWindow() {
  HWND hwnd = gMainWindow.load();
  return hwnd && ::IsWindow(hwnd) ? hwnd : nullptr;
}

std::string ApplicationName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot > 0) name.resize(dot);
  return platform::Narrow(name);
}

int AppMessageBox(std::string_view text, UINT type) {
  return WindowMessageBox(MainWindow(), text, ApplicationName(), type);
}

int WindowMessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type) {
  return ::MessageBoxW(owner, platform::Wide(text).c_str(), platform::Wide(caption).c_str(), type);
}

void MessageBoxNotifier::ShowMessage(std::string_view utf8) {
  if (ui_.IsOnUiThread()) {
    AppMessageBox(utf8);
    return;
  }
  const std::string text(utf8);
  if (ui_.Call([&text] { AppMessageBox(text); })) return;
  WindowMessageBox(nullptr, text, ApplicationName(), MB_OK | MB_TASKMODAL);
}

}  // namespace dockline::ui
