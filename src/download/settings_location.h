#pragma once
// Where dict.ini lives. Beside the program whenever the
// program's folder takes new files. A folder that does not (a portable copy
// on a read-only share or medium, an administrator's installation under
// Program Files) would leave the user with no settings and an error at every
// start, so the file then lives in the user's application-data folder, under
// DOCKLINE\, and starts as a copy of the one beside the program if there is
// one.

#include <functional>
#include <string>
#include <string_view>

namespace dockline::download {

inline constexpr std::string_view kSettingsSubfolder = "DOCKLINE";

struct SettingsPlaces {
  std::string programFolder;  // the running program's folder
  std::string appDataFolder;  // the user's application-data folder; "" when unknown
  std::function<bool(const std::string& folder)> folderWritable;
};

// The path of the settings file to use, its folder made if need be. Falls
// back to the program's folder when no other place can be had, so the store
// then reports its usual creation error instead of failing silently.
std::string ChooseSettingsFile(const SettingsPlaces& places);

// The same for the running program, with the system's own answers.
std::string SettingsFileForThisProgram();

}  // namespace dockline::download
