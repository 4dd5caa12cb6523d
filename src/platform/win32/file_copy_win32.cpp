// The copy primitives over Win32 file handles.
//
// The copy is our own block loop rather than CopyFileExW: the loop tells a
// read failure (the PC's file) from a write failure (the device) so the user
// is told which file is at fault, it reports progress after every block of
// the same size on every system (CopyFileExW's chunks are the system's
// choice), and it gives the copy the device's plain attributes instead of
// carrying a read-only or hidden bit over from the source.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/copy_backend.h"
#include "platform/file_copy.h"
#include "platform/win32/file_time.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace dockline::platform::detail {
namespace {

HANDLE AsHandle(std::intptr_t v) { return reinterpret_cast<HANDLE>(v); }

}  // namespace

CopyHandle::~CopyHandle() { Close(); }

void CopyHandle::Close() {
  // The handle lives in a portable slot; its owner type gives it back.
  const KernelHandle file(AsHandle(std::exchange(value_, kNone)));
}

std::uint32_t CopyHandle::OpenForReading(const std::string& path, std::uint64_t& size, FileTime& writeTime) {
  Close();
  // Others may go on reading the source; nobody may write to it meanwhile.
  const HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  value_ = reinterpret_cast<std::intptr_t>(h);
  // Not GetFileInformationByHandle: it asks for the file's name as well,
  // which under Wine is a round trip to its mount manager (about 0.5 ms a
  // file, a third of a small song's copy). A folder does not open here.
  LARGE_INTEGER n{};
  FILETIME written{};
  if (!::GetFileSizeEx(h, &n) || !::GetFileTime(h, nullptr, nullptr, &written)) return ::GetLastError();
  size = static_cast<std::uint64_t>(n.QuadPart);
  writeTime = FileTimeOf(written);
  return 0;
}

std::uint32_t CopyHandle::Create(const std::string& path) {
  Close();
  // DELETE: the finished copy is renamed through this handle, which spares
  // the system opening it again by name. FILE_SHARE_READ: a read-back may
  // look at it before it is closed.
  const HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  value_ = reinterpret_cast<std::intptr_t>(h);
  return 0;
}

std::uint32_t CopyHandle::Read(void* buffer, std::size_t room, std::size_t& got) {
  DWORD n = 0;
  if (!::ReadFile(AsHandle(value_), buffer, static_cast<DWORD>(room), &n, nullptr)) return ::GetLastError();
  got = n;
  return 0;
}

std::uint32_t CopyHandle::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const BYTE*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (!::WriteFile(AsHandle(value_), p, static_cast<DWORD>(size), &written, nullptr)) return ::GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    p += written;
    size -= written;
  }
  return 0;
}

std::uint32_t CopyHandle::CopyFrom(CopyHandle&, std::size_t, std::size_t&) { return kKernelCopyUnavailable; }

std::uint32_t CopyHandle::SetWriteTime(FileTime time) {
  const FILETIME written = FiletimeOf(time);
  return ::SetFileTime(AsHandle(value_), nullptr, nullptr, &written) ? 0 : ::GetLastError();
}

std::uint32_t CopyHandle::Flush() { return ::FlushFileBuffers(AsHandle(value_)) ? 0 : ::GetLastError(); }

std::uint32_t CopyHandle::CloseChecked() {
  KernelHandle file(AsHandle(std::exchange(value_, kNone)));
  return file.Close() ? 0 : ::GetLastError();
}

std::uint32_t CopyHandle::MoveAndClose(const std::string& from, const std::string& to, bool replace) {
  // Renamed through the open handle: one request to the system where a move
  // by name opens the file, renames and closes it again.
  const std::wstring name = Wide(to);
  const std::size_t bytes = offsetof(FILE_RENAME_INFO, FileName) + (name.size() + 1) * sizeof(wchar_t);
  const auto block = std::make_unique<std::uint8_t[]>(bytes);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(block.get());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  std::memcpy(rename->FileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  const bool renamed = ::SetFileInformationByHandle(AsHandle(value_), FileRenameInfo, rename, static_cast<DWORD>(bytes));
  const DWORD code = renamed ? 0 : ::GetLastError();
  const DWORD closed = CloseChecked();
  if (renamed) return closed;
  // Older systems and some redirectors take no rename through a handle; the
  // move by name still does what it should.
  if (code == ERROR_INVALID_PARAMETER || code == ERROR_NOT_SUPPORTED || code == ERROR_CALL_NOT_IMPLEMENTED ||
      code == ERROR_INVALID_FUNCTION)
    return MoveByName(from, to, replace);
  return code;
}

std::uint32_t ReadWhole(const std::string& path, bool pastCache, const Consume& consume) {
  // Unbuffered reads go to the medium; they want a buffer aligned to the
  // sector and whole sectors asked for. Pages from VirtualAlloc are aligned
  // past any sector size, and a block of 1 MiB is whole sectors of any size.
  struct Pages {
    void* p = ::VirtualAlloc(nullptr, kCopyBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ~Pages() {
      if (p) ::VirtualFree(p, 0, MEM_RELEASE);
    }
  } buffer;
  if (!buffer.p) return ::GetLastError();
  // Some redirectors and file-system filters refuse unbuffered handles, at
  // the open or at the first read. The copy was flushed before it is read
  // back, so a cached read still shows what the device was given, if not
  // what it kept.
  const auto refused = [pastCache](DWORD code) {
    return pastCache && (code == ERROR_INVALID_PARAMETER || code == ERROR_NOT_SUPPORTED || code == ERROR_INVALID_FUNCTION);
  };
  const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | (pastCache ? FILE_FLAG_NO_BUFFERING : 0);
  const KernelHandle file(
      ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr));
  if (!file) {
    const DWORD code = ::GetLastError();
    return refused(code) ? kPastCacheRefused : code;
  }
  for (bool first = true;; first = false) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buffer.p, static_cast<DWORD>(kCopyBlockSize), &got, nullptr)) {
      const DWORD code = ::GetLastError();
      return first && refused(code) ? kPastCacheRefused : code;
    }
    if (got == 0) return 0;
    consume(buffer.p, got);
  }
}

std::uint32_t MoveByName(const std::string& from, const std::string& to, bool replace) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), flags) ? 0 : ::GetLastError();
}

bool IsAlreadyThere(std::uint32_t code) { return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS; }

void RemoveQuietly(const std::string& path) { ::DeleteFileW(Wide(path).c_str()); }

}  // namespace dockline::platform::detail

namespace dockline::platform {
bool IsDiskFull(std::uint32_t error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }
}  // namespace dockline::platform
