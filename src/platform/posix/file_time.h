#pragma once
// FileTime from and to the system's own count of a file's times.
#include <time.h>

#include "platform/file_system.h"

namespace dockline::platform {

// Seconds from 1601-01-01, where FileTime counts from, to 1970-01-01.
inline constexpr std::int64_t kUnixEpochSeconds = 11'644'473'600;

inline FileTime FileTimeOf(const timespec& t) {
  return (static_cast<FileTime>(t.tv_sec) + kUnixEpochSeconds) * kFileTimeTicksPerSecond + t.tv_nsec / 100;
}

inline timespec TimespecOf(FileTime time) {
  const FileTime sinceEpoch = time - kUnixEpochSeconds * kFileTimeTicksPerSecond;
  FileTime seconds = sinceEpoch / kFileTimeTicksPerSecond;
  FileTime ticks = sinceEpoch % kFileTimeTicksPerSecond;
  if (ticks < 0) {  // before 1970: the nanoseconds still count forwards
    --seconds;
    ticks += kFileTimeTicksPerSecond;
  }
  return {static_cast<time_t>(seconds), static_cast<long>(ticks * 100)};
}

}  // namespace dockline::platform
