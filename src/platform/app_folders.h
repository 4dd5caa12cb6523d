#pragma once
// Where the program may keep what it writes for a user: the per-user
// application-data folder, and whether a folder takes new files at all.

#include <string>

namespace dockline::platform {

// The user's local (not roaming: the settings hold this machine's folder
// paths) application-data folder, without a trailing separator; "" when the
// system cannot tell. On POSIX: $XDG_CONFIG_HOME, else ~/.config.
std::string LocalAppDataFolder();

// True when a new file can be made in `folder` now. Tried for real, by
// creating and removing a file of a fresh name, because nothing cheaper tells
// the truth: attributes and permission bits say nothing of access lists,
// read-only shares and media, or Program Files for a user who is no
// administrator. Leaves the folder as it was.
bool IsFolderWritable(const std::string& folder);

}  // namespace dockline::platform
