#pragma once
// POSIX stand-in for Windows drive letters, used by the native build's tests
// and command-line tool. A mapped letter has a folder (its root), a type, an
// optional volume label and an optional image file that serves raw sector
// reads. The map may be loaded from DOCKLINE_DRIVES:
//   "G=fixed:/tmp/dev:label=曜川6170:image=/tmp/dev.img;E=removable:/tmp/usb"

#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace dockline::platform {

struct MappedDrive {
  char letter = 0;  // upper case
  DriveType type = DriveType::Fixed;
  std::string folder;
  std::optional<std::string> label;
  std::string image;  // "" when raw reads are not offered
};

// Replaces the whole map (tests) and reads it back.
void SetDriveMap(std::vector<MappedDrive> drives);
std::vector<MappedDrive> GetDriveMap();
// Parses the DOCKLINE_DRIVES syntax above; std::nullopt on a malformed entry.
std::optional<std::vector<MappedDrive>> ParseDriveMap(const std::string& mapText);
// A Windows-style path turned into a POSIX one through the map; paths with no
// mapped letter are returned with their separators unchanged.
std::string ToNativePath(const std::string& path);

}  // namespace dockline::platform
