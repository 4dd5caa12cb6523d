#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "platform/drive_map.h"
#include "platform/file_system.h"
#include "platform/posix/file_time.h"

namespace dockline::platform {
namespace {

thread_local std::uint32_t tLastError = 0;

bool Fail() {
  tLastError = static_cast<std::uint32_t>(errno);
  return false;
}

std::mutex gMapMutex;
bool gMapLoaded = false;
std::vector<MappedDrive> gMap;

std::vector<MappedDrive> SnapshotMap() {
  std::lock_guard lock(gMapMutex);
  if (!gMapLoaded) {
    gMapLoaded = true;
    if (const char* env = std::getenv("DOCKLINE_DRIVES")) {
      if (auto parsed = ParseDriveMap(env)) gMap = std::move(*parsed);
    }
  }
  return gMap;
}

std::optional<MappedDrive> FindDrive(char letter) {
  letter = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
  for (auto& d : SnapshotMap())
    if (d.letter == letter) return d;
  return std::nullopt;
}

bool HasDriveLetter(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::optional<DriveType> ParseType(const std::string& s) {
  if (s == "fixed") return DriveType::Fixed;
  if (s == "removable") return DriveType::Removable;
  if (s == "remote") return DriveType::Remote;
  if (s == "cdrom") return DriveType::CdRom;
  if (s == "ramdisk") return DriveType::RamDisk;
  return std::nullopt;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (;;) {
    const auto pos = s.find(sep, start);
    parts.push_back(s.substr(start, pos - start));
    if (pos == std::string::npos) return parts;
    start = pos + 1;
  }
}

}  // namespace

void SetDriveMap(std::vector<MappedDrive> drives) {
  std::lock_guard lock(gMapMutex);
  gMapLoaded = true;
  gMap = std::move(drives);
}

std::vector<MappedDrive> GetDriveMap() { return SnapshotMap(); }

std::optional<std::vector<MappedDrive>> ParseDriveMap(const std::string& mapText) {
  std::vector<MappedDrive> out;
  for (const auto& entry : Split(mapText, ';')) {
    if (entry.empty()) continue;
    if (entry.size() < 3 || entry[1] != '=') return std::nullopt;
    MappedDrive d;
    d.letter = entry[0] >= 'a' && entry[0] <= 'z' ? static_cast<char>(entry[0] - 'a' + 'A') : entry[0];
    if (d.letter < 'A' || d.letter > 'Z') return std::nullopt;
    const auto fields = Split(entry.substr(2), ':');
    if (fields.size() < 2) return std::nullopt;
    const auto type = ParseType(fields[0]);
    if (!type) return std::nullopt;
    d.type = *type;
    d.folder = fields[1];
    for (std::size_t i = 2; i < fields.size(); ++i) {
      if (fields[i].rfind("label=", 0) == 0) d.label = fields[i].substr(6);
      else if (fields[i].rfind("image=", 0) == 0) d.image = fields[i].substr(6);
      else return std::nullopt;
    }
    out.push_back(std::move(d));
  }
  return out;
}

std::string ToNativePath(const std::string& path) {
  if (!HasDriveLetter(path)) return path;
  const auto drive = FindDrive(path[0]);
  if (!drive) return path;
  std::string rest = path.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  std::string out = drive->folder;
  if (!rest.empty() && rest.front() != '/') out.push_back('/');
  out += rest;
  return out;
}

std::uint32_t LastError() { return tLastError; }

std::string LocalTimeText(FileTime time) {
  if (time == 0) return {};
  const std::time_t seconds = static_cast<std::time_t>(time / kFileTimeTicksPerSecond - kUnixEpochSeconds);
  std::tm local{};
  if (!::localtime_r(&seconds, &local)) return {};
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

bool IsNotFound(std::uint32_t code) { return code == ENOENT || code == ENOTDIR; }

std::string ErrorText(std::uint32_t code) { return strerror(static_cast<int>(code)); }

bool ReadWholeFile(const std::string& path, Bytes& out) {
  const int fd = ::open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail();
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) errno = EISDIR;
    Fail();
    ::close(fd);
    return false;
  }
  // More than a 32-bit address space holds: the size would be cut short
  // and the read would go on until memory ran out.
  if (static_cast<std::uint64_t>(st.st_size) > SIZE_MAX / 2) {
    errno = ENOMEM;
    Fail();
    ::close(fd);
    return false;
  }
  out.clear();
  out.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  for (;;) {
    // Once the expected bytes are in, a small probe tells whether the file
    // grew meanwhile, without doubling the buffer for the common case.
    std::uint8_t probe[4096];
    const bool probing = got == out.size();
    std::uint8_t* dest = probing ? probe : out.data() + got;
    const std::size_t room = probing ? sizeof(probe) : out.size() - got;
    const ssize_t n = ::read(fd, dest, room);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail();
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    if (probing) out.insert(out.end(), probe, probe + n);
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  ::close(fd);
  return true;
}

static bool WriteFd(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail();
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size) {
  const int fd = ::open(ToNativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Fail();
  const bool ok = WriteFd(fd, data, size);
  if (::close(fd) != 0 && ok) return Fail();
  return ok;
}

bool ReplaceFileAtomically(const std::string& path, const void* data, std::size_t size) {
  const std::string target = ToNativePath(path);
  const std::string temp = target + kReplaceSuffix;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Fail();
  bool ok = WriteFd(fd, data, size);
  if (ok && ::fsync(fd) != 0) ok = Fail();
  if (::close(fd) != 0 && ok) ok = Fail();
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = Fail();
  if (!ok) {
    const auto saved = tLastError;
    ::unlink(temp.c_str());
    tLastError = saved;
  }
  return ok;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(ToNativePath(path).c_str(), &st) == 0 ? !S_ISDIR(st.st_mode) : Fail();
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(ToNativePath(path).c_str(), &st) == 0 ? S_ISDIR(st.st_mode) : Fail();
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(ToNativePath(path).c_str(), &st) != 0) {
    Fail();
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(st.st_size);
}

bool ClearAttributes(const std::string& path) {
  struct stat st {};
  const std::string p = ToNativePath(path);
  if (::stat(p.c_str(), &st) != 0) return Fail();
  return ::chmod(p.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0 ? true : Fail();
}

bool RemoveFile(const std::string& path) { return ::unlink(ToNativePath(path).c_str()) == 0 ? true : Fail(); }

bool MakeDirectory(const std::string& path) {
  std::string p = ToNativePath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return ::mkdir(p.c_str(), 0777) == 0 ? true : Fail();
}

std::optional<std::uint64_t> FreeBytes(const std::string& root) {
  struct statvfs st {};
  if (::statvfs(ToNativePath(root).c_str(), &st) != 0) {
    Fail();
    return std::nullopt;
  }
  // A file system that gives no size at all (some FUSE ones) has not
  // answered: it is not full.
  if (st.f_blocks == 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

std::optional<std::string> FileSystemName(const std::string& path) {
  // The mount whose device number is the file's; a later line of the table
  // is a mount on top of an earlier one.
  struct stat st {};
  if (::stat(ToNativePath(path).c_str(), &st) != 0) {
    Fail();
    return std::nullopt;
  }
  const std::string device = std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
  std::FILE* table = std::fopen("/proc/self/mountinfo", "re");
  if (!table) {
    Fail();
    return std::nullopt;
  }
  std::optional<std::string> found;
  char* line = nullptr;
  std::size_t room = 0;
  while (::getline(&line, &room, table) > 0) {
    // "36 35 98:0 /root /mount options [optional fields] - fstype source options"
    const auto fields = Split(line, ' ');
    if (fields.size() < 3 || fields[2] != device) continue;
    const auto dash = std::find(fields.begin(), fields.end(), "-");
    if (dash != fields.end() && dash + 1 != fields.end()) found = *(dash + 1);
  }
  std::free(line);
  std::fclose(table);
  return found;
}

std::string TempFolder() {
  const char* t = std::getenv("TMPDIR");
  std::string dir = (t && *t) ? t : "/tmp";
  if (dir.back() != '/') dir.push_back('/');
  return dir;
}

std::string DocumentsFolder() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  const std::string docs = std::string(home) + "/Documents";
  struct stat st {};
  return (::stat(docs.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? docs : std::string(home);
}

std::string ProgramFolder() {
  std::string buf(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  buf.resize(static_cast<std::size_t>(n));
  return std::string(FolderPart(buf)) + "/";
}

std::vector<FoundFile> FindFiles(const std::string& pattern) {
  std::vector<FoundFile> out;
  const std::string native = ToNativePath(pattern);
  const std::string folder(FolderPart(native));
  const std::string wildcard(FileNamePart(native));
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) {
    Fail();
    return out;
  }
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (::fnmatch(wildcard.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    const std::string path = folder + "/" + name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) continue;
    bool link = e->d_type == DT_LNK;
    if (e->d_type == DT_UNKNOWN) {
      struct stat own {};
      link = ::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
    }
    out.push_back({name, static_cast<std::uint64_t>(st.st_size), S_ISDIR(st.st_mode), name.front() == '.', link,
                   FileTimeOf(st.st_mtim), (st.st_mode & S_IWUSR) == 0});
  }
  ::closedir(dir);
  return out;
}

std::vector<std::string> DriveRoots() {
  auto map = SnapshotMap();
  std::sort(map.begin(), map.end(), [](const auto& a, const auto& b) { return a.letter < b.letter; });
  std::vector<std::string> roots;
  for (const auto& d : map) roots.push_back(std::string(1, d.letter) + ":\\");
  return roots;
}

DriveType DriveTypeOf(const std::string& root) {
  if (!HasDriveLetter(root)) return DriveType::NoRootDir;
  const auto d = FindDrive(root[0]);
  return d ? d->type : DriveType::NoRootDir;
}

std::optional<std::string> VolumeLabel(const std::string& root) {
  if (!HasDriveLetter(root)) return std::nullopt;
  const auto d = FindDrive(root[0]);
  if (!d) return std::nullopt;
  return d->label.value_or("");
}

}  // namespace dockline::platform
