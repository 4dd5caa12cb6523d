#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/app_folders.h"
#include "platform/file_system.h"

namespace dockline::platform {

std::string LocalAppDataFolder() {
  // The base directory rules: only an absolute XDG_CONFIG_HOME counts.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  return std::string(home) + "/.config";
}

bool IsFolderWritable(const std::string& folder) {
  for (unsigned attempt = 0; attempt < 8; ++attempt) {
    const std::string path = JoinPath(folder, ".dockline-" + std::to_string(::getpid()) + "-" +
                                                  std::to_string(attempt) + ".tmp");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(path.c_str());
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace dockline::platform
