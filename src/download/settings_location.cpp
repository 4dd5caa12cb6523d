#include "download/settings_location.h"

#include "download/download_path_store.h"
#include "platform/app_folders.h"
#include "platform/file_system.h"

namespace dockline::download {
namespace {

// The folder exists afterwards (made one level at a time from an existing
// parent, as the application-data folder itself may not exist yet on a fresh
// POSIX account).
bool EnsureFolder(const std::string& folder) {
  if (platform::IsDirectory(folder)) return true;
  const std::string parent(platform::FolderPart(folder));
  if (parent.empty() || parent == folder || !EnsureFolder(parent)) return false;
  return platform::MakeDirectory(folder) || platform::IsDirectory(folder);
}

}  // namespace

std::string ChooseSettingsFile(const SettingsPlaces& places) {
  const std::string beside = platform::JoinPath(places.programFolder, kSettingsFileName);
  if (places.folderWritable(places.programFolder)) return beside;
  if (places.appDataFolder.empty()) return beside;
  const std::string folder = platform::JoinPath(places.appDataFolder, kSettingsSubfolder);
  if (!EnsureFolder(folder)) return beside;
  const std::string own = platform::JoinPath(folder, kSettingsFileName);
  // Once only: after that the user's copy is the one that counts, and what
  // lies beside the program is never read again.
  if (!platform::FileExists(own) && platform::FileExists(beside)) {
    platform::Bytes bytes;
    if (platform::ReadWholeFile(beside, bytes)) platform::ReplaceFileAtomically(own, bytes.data(), bytes.size());
  }
  return own;
}

std::string SettingsFileForThisProgram() {
  return ChooseSettingsFile({platform::ProgramFolder(), platform::LocalAppDataFolder(), &platform::IsFolderWritable});
}

}  // namespace dockline::download
