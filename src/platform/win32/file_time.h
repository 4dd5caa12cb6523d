#pragma once
// FileTime from and to the FILETIME of the Win32 calls: the same count, split in two.
#include <windows.h>

#include "platform/file_system.h"

namespace dockline::platform {

inline FileTime FileTimeOf(const FILETIME& t) {
  return static_cast<FileTime>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

inline FILETIME FiletimeOf(FileTime time) {
  const auto bits = static_cast<std::uint64_t>(time);
  return {static_cast<DWORD>(bits), static_cast<DWORD>(bits >> 32)};
}

}  // namespace dockline::platform
