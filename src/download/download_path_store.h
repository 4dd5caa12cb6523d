#pragma once
// The remembered download folder of each category, kept in dict.ini next to
// the program: section DOWNPATH, one key per category label. Every read and
// write goes to the file at once; nothing is cached. Used from the user
// interface thread only.

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/notifier.h"

namespace dockline::download {

inline constexpr std::string_view kSettingsFileName = "dict.ini";
inline constexpr std::string_view kDownPathSection = "DOWNPATH";
// Values come back cut to what a 260-byte buffer holds (259 GBK bytes and
// the terminator), the length the settings file's readers expect.
inline constexpr std::size_t kMaxValueBytes = 259;
inline constexpr std::string_view kSettingsCreateError = "ini文件建立错误";
// The download page's "写入后校验" option has a section of its own, so the
// category keys of DOWNPATH stay exactly as they are: "1" on, else off.
inline constexpr std::string_view kVerifySection = "VERIFY";
inline constexpr std::string_view kVerifyKey = "AFTERWRITE";
// The "跳过未改变的文件" option likewise: "0" off, else (as at first) on.
inline constexpr std::string_view kSkipSection = "SKIP";
inline constexpr std::string_view kSkipKey = "UNCHANGED";
// "设置文件 C:\...\dict.ini 无法读取，…": shown once, when the program starts.
std::string UnreadableSettingsText(std::string_view path);

class DownloadPathStore {
 public:
  using FolderSource = std::function<std::string()>;
  // `documentsFolder` gives the default folder for a new file (the user's
  // documents folder unless a test says otherwise); "" when unknown.
  explicit DownloadPathStore(FolderSource documentsFolder = {});

  // Takes `path` as the settings file, removing the temporary twin an
  // interrupted write left beside it; true when a file (not a folder) is
  // there.
  bool SetFile(std::string path);
  const std::string& file() const { return path_; }

  // True when the section holds at least one key.
  bool HasSection(std::string_view section) const;
  // The stored value, cut to kMaxValueBytes GBK bytes without splitting a
  // character; "" when the file, section or key is missing.
  std::string ReadValue(std::string_view section, std::string_view key) const;
  // Stores a value, creating the file, section and key as needed. The file
  // is replaced whole, so a crash leaves the old file or the new one. False
  // when nothing was stored: no file set, an existing file that cannot be
  // read (it is left alone rather than rebuilt from nothing), a text the
  // file cannot hold, or a failed write.
  bool WriteValue(std::string_view section, std::string_view key, std::string_view value);

  // First run: creates the file with every key of `keys` in DOWNPATH set to
  // the documents folder. Anything already at the path, even an empty file
  // or one that cannot be read, is left untouched. Shows
  // kSettingsCreateError through `notifier` when the file cannot be made,
  // and UnreadableSettingsText when the one there cannot be read.
  // True when a settings file is there afterwards.
  bool EnsureFile(std::span<const std::string_view> keys, platform::Notifier& notifier);

  // The "写入后校验" option; off unless the file says on.
  bool VerifyAfterWrite() const { return ReadValue(kVerifySection, kVerifyKey) == "1"; }
  bool SetVerifyAfterWrite(bool on) { return WriteValue(kVerifySection, kVerifyKey, on ? "1" : "0"); }
  // The "跳过未改变的文件" option; on unless the file says off.
  bool SkipUnchanged() const { return ReadValue(kSkipSection, kSkipKey) != "0"; }
  bool SetSkipUnchanged(bool on) { return WriteValue(kSkipSection, kSkipKey, on ? "1" : "0"); }

 private:
  std::string path_;
  FolderSource documentsFolder_;
};

}  // namespace dockline::download
