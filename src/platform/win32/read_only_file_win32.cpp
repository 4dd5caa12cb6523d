#include <windows.h>

#include <utility>

#include "platform/read_only_file.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace dockline::platform {
namespace {

HANDLE AsHandle(std::intptr_t v) { return reinterpret_cast<HANDLE>(v); }

}  // namespace

ReadOnlyFile::~ReadOnlyFile() { Close(); }

void ReadOnlyFile::Close() {
  // The handle lives in a portable slot; its owner type gives it back.
  const KernelHandle file(AsHandle(std::exchange(value_, kNone)));
  size_ = 0;
}

std::uint32_t ReadOnlyFile::Open(const std::string& path) {
  Close();
  KernelHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ::GetLastError();
  LARGE_INTEGER n{};
  if (!::GetFileSizeEx(file.Get(), &n)) return ::GetLastError();
  size_ = static_cast<std::uint64_t>(n.QuadPart);
  value_ = reinterpret_cast<std::intptr_t>(file.Release());
  return 0;
}

std::uint32_t ReadOnlyFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const {
  got = 0;
  auto* p = static_cast<unsigned char*>(buffer);
  while (got < size) {
    const std::uint64_t at = offset + got;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const std::size_t left = size - got;
    const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    DWORD n = 0;
    if (!::ReadFile(AsHandle(value_), p + got, chunk, &n, &where)) {
      const DWORD error = ::GetLastError();
      return error == ERROR_HANDLE_EOF ? 0 : error;
    }
    if (n == 0) break;
    got += n;
  }
  return 0;
}

}  // namespace dockline::platform
