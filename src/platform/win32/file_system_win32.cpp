#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/file_system.h"
#include "platform/win32/file_time.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace dockline::platform {
namespace {

thread_local std::uint32_t tLastError = 0;

bool Fail() {
  tLastError = GetLastError();
  return false;
}

bool WriteAll(HANDLE h, const void* data, std::size_t size) {
  const auto* p = static_cast<const BYTE*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(h, p, chunk, &written, nullptr)) return Fail();
    p += written;
    size -= written;
  }
  return true;
}

std::string WithSlash(std::string s) {
  if (!s.empty() && s.back() != '\\') s.push_back('\\');
  return s;
}

}  // namespace

std::uint32_t LastError() { return tLastError; }

std::string LocalTimeText(FileTime time) {
  if (time == 0) return {};
  const FILETIME utc = FiletimeOf(time);
  SYSTEMTIME universal{}, local{};
  if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth, local.wDay, local.wHour,
                local.wMinute, local.wSecond);
  return text;
}

bool IsNotFound(std::uint32_t code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

std::string ErrorText(std::uint32_t code) {
  wchar_t* buf = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string out = n ? Narrow(std::wstring_view(buf, n)) : "error " + std::to_string(code);
  if (buf) LocalFree(buf);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  return out;
}

bool ReadWholeFile(const std::string& path, Bytes& out) {
  // Others may read alongside, but nobody may write while the file is taken whole.
  KernelHandle f(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!f) return Fail();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.Get(), &size)) return Fail();
  if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX / 2) {
    tLastError = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  out.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t got = 0;
  while (got < out.size()) {
    const std::size_t left = out.size() - got;
    const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    DWORD n = 0;
    if (!ReadFile(f.Get(), out.data() + got, chunk, &n, nullptr)) return Fail();
    if (n == 0) break;
    got += n;
  }
  out.resize(got);
  return true;
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size) {
  KernelHandle f(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return Fail();
  if (!WriteAll(f.Get(), data, size)) return false;
  return f.Close() ? true : Fail();
}

bool ReplaceFileAtomically(const std::string& path, const void* data, std::size_t size) {
  const std::wstring target = Wide(path);
  const std::wstring temp = target + Wide(kReplaceSuffix);
  {
    KernelHandle f(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return Fail();
    bool ok = WriteAll(f.Get(), data, size);
    if (ok && !FlushFileBuffers(f.Get())) ok = Fail();
    if (!f.Close() && ok) ok = Fail();
    if (!ok) {
      const auto saved = tLastError;
      DeleteFileW(temp.c_str());
      tLastError = saved;
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Fail();
    const auto saved = tLastError;
    DeleteFileW(temp.c_str());
    tLastError = saved;
    return false;
  }
  return true;
}

bool FileExists(const std::string& path) {
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return Fail();
  return (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const std::string& path) {
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return Fail();
  return (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
    Fail();
    return std::nullopt;
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ClearAttributes(const std::string& path) {
  return SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL) ? true : Fail();
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) ? true : Fail(); }

bool MakeDirectory(const std::string& path) { return CreateDirectoryW(Wide(path).c_str(), nullptr) ? true : Fail(); }

std::optional<std::uint64_t> FreeBytes(const std::string& root) {
  ULARGE_INTEGER avail{}, total{}, totalFree{};
  if (!GetDiskFreeSpaceExW(Wide(root).c_str(), &avail, &total, &totalFree)) {
    Fail();
    return std::nullopt;
  }
  return avail.QuadPart;
}

std::optional<std::string> FileSystemName(const std::string& path) {
  // The root of the volume first: the device may be a folder on a drive.
  wchar_t root[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(Wide(path).c_str(), root, MAX_PATH + 1)) {
    Fail();
    return std::nullopt;
  }
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1)) {
    Fail();
    return std::nullopt;
  }
  return Narrow(name);
}

std::string TempFolder() {
  wchar_t buf[MAX_PATH + 2] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH + 1) return ".\\";
  return WithSlash(Narrow(std::wstring_view(buf, n)));
}

std::string DocumentsFolder() {
  wchar_t buf[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK) return {};
  std::string s = Narrow(buf);
  while (s.size() > 3 && s.back() == '\\') s.pop_back();
  return s;
}

std::string ProgramFolder() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return ".\\";
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.resize(buf.size() * 2);  // long paths are not cut short
  }
  return std::string(FolderPart(Narrow(buf))) + "\\";
}

std::vector<FoundFile> FindFiles(const std::string& pattern) {
  std::vector<FoundFile> out;
  WIN32_FIND_DATAW fd{};
  const FindHandle search(FindFirstFileW(Wide(pattern).c_str(), &fd));
  if (!search) {
    Fail();
    return out;
  }
  do {
    const std::wstring_view name(fd.cFileName);
    if (name == L"." || name == L"..") continue;
    // Other reparse points (a cloud drive's placeholders) are ordinary files
    // and folders to the user; links and junctions may lead back up the tree.
    const bool link = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                      (fd.dwReserved0 == IO_REPARSE_TAG_SYMLINK || fd.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
    out.push_back({Narrow(name), (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow,
                   (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0,
                   link, FileTimeOf(fd.ftLastWriteTime), (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0});
  } while (FindNextFileW(search.Get(), &fd));
  return out;
}

std::vector<std::string> DriveRoots() {
  std::vector<std::string> roots;
  std::wstring buf(64, L'\0');
  for (;;) {
    const DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(buf.size()), buf.data());
    if (n == 0) {
      Fail();
      return roots;
    }
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.assign(n + 1, L'\0');  // the list grew between calls or did not fit: ask again
  }
  for (std::size_t i = 0; i < buf.size();) {
    const std::size_t end = buf.find(L'\0', i);
    const std::size_t stop = end == std::wstring::npos ? buf.size() : end;
    if (stop == i) break;
    roots.push_back(Narrow(std::wstring_view(buf).substr(i, stop - i)));
    i = stop + 1;
  }
  return roots;
}

DriveType DriveTypeOf(const std::string& root) {
  switch (GetDriveTypeW(Wide(root).c_str())) {
    case DRIVE_NO_ROOT_DIR: return DriveType::NoRootDir;
    case DRIVE_REMOVABLE: return DriveType::Removable;
    case DRIVE_FIXED: return DriveType::Fixed;
    case DRIVE_REMOTE: return DriveType::Remote;
    case DRIVE_CDROM: return DriveType::CdRom;
    case DRIVE_RAMDISK: return DriveType::RamDisk;
    default: return DriveType::Unknown;
  }
}

std::optional<std::string> VolumeLabel(const std::string& root) {
  wchar_t label[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(Wide(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) {
    Fail();
    return std::nullopt;
  }
  return Narrow(label);
}

}  // namespace dockline::platform
