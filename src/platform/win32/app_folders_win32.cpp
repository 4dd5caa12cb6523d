#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/app_folders.h"
#include "platform/file_system.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace dockline::platform {

std::string LocalAppDataFolder() {
  PWSTR path = nullptr;
  const HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &path);
  std::string out = SUCCEEDED(hr) && path ? Narrow(path) : std::string();
  CoTaskMemFree(path);  // owed even when the call fails
  while (out.size() > 3 && out.back() == '\\') out.pop_back();
  return out;
}

bool IsFolderWritable(const std::string& folder) {
  // The program runs with an asInvoker manifest, so Windows never virtualises
  // a refused write into the VirtualStore: a refusal here is a real one.
  for (unsigned attempt = 0; attempt < 8; ++attempt) {
    const std::string name = "~dockline-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount64()) + "-" + std::to_string(attempt) + ".tmp";
    // CREATE_NEW never touches a file that is already there; the file is
    // gone again the moment its handle closes.
    const KernelHandle probe(CreateFileW(Wide(JoinPath(folder, name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                         nullptr));
    if (probe) return true;
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

}  // namespace dockline::platform
