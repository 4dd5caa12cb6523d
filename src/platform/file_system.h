#pragma once
// File and volume services. Paths are UTF-8 and spelt the Windows way
// ("G:\系统\图片\a.ych"); on POSIX a drive letter is resolved through the
// drive map (drive_map.h) and other paths are used as they are.
//
// Every operation answers success or failure; on failure LastError() holds
// the system's code, captured where the failure happened.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dockline::platform {

using Bytes = std::vector<std::uint8_t>;

// When a file was last written: 100-nanosecond ticks since 1601-01-01 UTC,
// Windows' own count, on every system.
using FileTime = std::int64_t;
inline constexpr FileTime kFileTimeTicksPerSecond = 10'000'000;
// "2024-05-01 12:30:46" in the computer's time zone; "" for 0.
std::string LocalTimeText(FileTime time);

// The system error code of this thread's last failed platform call.
std::uint32_t LastError();
// A short human-readable description of an error code, in UTF-8.
std::string ErrorText(std::uint32_t code);
// Whether an error code says the file, or a folder on its way, is not there.
bool IsNotFound(std::uint32_t code);

bool ReadWholeFile(const std::string& path, Bytes& out);
// Creates or truncates, then writes everything.
bool WriteWholeFile(const std::string& path, const void* data, std::size_t size);
inline bool WriteWholeFile(const std::string& path, const Bytes& data) {
  return WriteWholeFile(path, data.data(), data.size());
}
// Writes beside the target under a temporary name (the target's name and
// kReplaceSuffix), then renames over it, so that a crash leaves either the
// old file or the new one, never half of it. Every failure after the
// temporary file was made removes it again.
bool ReplaceFileAtomically(const std::string& path, const void* data, std::size_t size);
inline constexpr const char* kReplaceSuffix = ".new~";

bool FileExists(const std::string& path);  // a file, not a folder
bool IsDirectory(const std::string& path);
std::optional<std::uint64_t> FileSize(const std::string& path);
bool ClearAttributes(const std::string& path);  // read-only, hidden, system → normal
bool RemoveFile(const std::string& path);
bool MakeDirectory(const std::string& path);    // one level; fails if it exists
// Bytes available to the calling user on the volume holding `root`;
// std::nullopt when the system cannot say.
std::optional<std::uint64_t> FreeBytes(const std::string& root);
// The file system of the volume holding `path`, as the system names it
// ("FAT32", "NTFS"; "vfat", "fuse.fusefat", "ext4"); std::nullopt when the
// system cannot say.
std::optional<std::string> FileSystemName(const std::string& path);
// FAT12, FAT16 and FAT32, under any of their names. They keep a file's size
// in 32 bits: no file can reach 4 GiB.
bool IsFatFileSystem(std::string_view name);
inline constexpr std::uint64_t kFatLargestFile = 0xFFFFFFFFull;

// The temporary folder, ending with a path separator.
std::string TempFolder();
// The user's documents folder without a trailing separator, or "" if unknown.
std::string DocumentsFolder();
// The folder of the running program, ending with a path separator.
std::string ProgramFolder();

struct FoundFile {
  std::string name;  // the name alone, no folder
  std::uint64_t size = 0;
  bool directory = false;
  bool hidden = false;  // hidden on Windows, a dot file on POSIX: what a file manager does not show
  bool link = false;    // a symbolic link or junction: a walk through folders does not follow it
  FileTime writeTime = 0;
  bool readOnly = false;  // read-only, or (POSIX) not writable by its owner
};
// Files matching `pattern` (a folder followed by a wildcard such as
// "G:\mp3\*.mp3"), in the order the file system delivers them.
std::vector<FoundFile> FindFiles(const std::string& pattern);

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };
// Drive roots such as "C:\", in the order the system lists them.
std::vector<std::string> DriveRoots();
DriveType DriveTypeOf(const std::string& root);
// The volume label of a drive root; std::nullopt when the query fails.
std::optional<std::string> VolumeLabel(const std::string& root);

// Path helpers that treat both '\' and '/' as separators.
std::string_view FileNamePart(std::string_view path);
std::string_view FolderPart(std::string_view path);  // without the trailing separator
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace dockline::platform
