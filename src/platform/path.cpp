#include "platform/file_system.h"

namespace dockline::platform {

std::string_view FileNamePart(std::string_view path) {
  const auto pos = path.find_last_of("\\/");
  return pos == std::string_view::npos ? path : path.substr(pos + 1);
}

std::string_view FolderPart(std::string_view path) {
  const auto pos = path.find_last_of("\\/");
  return pos == std::string_view::npos ? std::string_view{} : path.substr(0, pos);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && out.back() != '\\' && out.back() != '/') {
#ifdef _WIN32
    out.push_back('\\');
#else
    out.push_back(out.find('\\') != std::string::npos ? '\\' : '/');
#endif
  }
  out.append(name);
  return out;
}

bool IsFatFileSystem(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  // exFAT is another matter: its files may be as large as the disk.
  for (const char* fat : {"fat", "fat12", "fat16", "fat32", "vfat", "msdos", "umsdos", "fuse.fusefat"})
    if (lower == fat) return true;
  return false;
}

}  // namespace dockline::platform
