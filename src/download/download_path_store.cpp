#include "download/download_path_store.h"

#include <optional>

#include "download/ini_file.h"
#include "platform/file_system.h"
#include "text/encoding.h"

namespace dockline::download {
namespace {

// The file as it is now; std::nullopt when it cannot be read (missing
// included).
std::optional<IniFile> Load(const std::string& path) {
  if (path.empty()) return std::nullopt;
  platform::Bytes bytes;
  if (!platform::ReadWholeFile(path, bytes)) return std::nullopt;
  return IniFile::Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// The longest start of `utf8` that fits in `maxBytes` GBK bytes, cut
// between characters.
std::string CutToGbkBytes(const std::string& utf8, std::size_t maxBytes) {
  if (utf8.size() <= maxBytes) return utf8;  // GBK never takes more bytes than UTF-8
  bool lossless = false;
  const std::string gbk = text::Utf8ToGbk(utf8, &lossless);
  if (lossless) {
    if (gbk.size() <= maxBytes) return utf8;
    return text::GbkToUtf8(std::string_view(gbk).substr(0, text::GbkPrefixLength(gbk, maxBytes)));
  }
  // Characters GBK lacks (a file saved as Unicode may hold them) are counted
  // as two bytes, like every other character beyond ASCII.
  std::size_t i = 0;
  std::size_t used = 0;
  while (i < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    std::size_t len = b < 0x80 ? 1 : (b < 0xE0 ? 2 : (b < 0xF0 ? 3 : 4));
    if (i + len > utf8.size()) len = utf8.size() - i;
    const std::size_t cost = b < 0x80 ? 1 : 2;
    if (used + cost > maxBytes) break;
    used += cost;
    i += len;
  }
  return utf8.substr(0, i);
}

}  // namespace

std::string UnreadableSettingsText(std::string_view path) {
  return "设置文件 " + std::string(path) + " 无法读取，选择文件时所在的文件夹这次不会被记住。";
}

DownloadPathStore::DownloadPathStore(FolderSource documentsFolder)
    : documentsFolder_(documentsFolder ? std::move(documentsFolder) : FolderSource(&platform::DocumentsFolder)) {}

bool DownloadPathStore::SetFile(std::string path) {
  path_ = std::move(path);
  // What a write cut short left beside the file; the file itself is whole.
  if (!path_.empty()) platform::RemoveFile(path_ + platform::kReplaceSuffix);
  return platform::FileExists(path_);
}

bool DownloadPathStore::HasSection(std::string_view section) const {
  const auto f = Load(path_);
  return f && !f->KeyNames(section).empty();
}

std::string DownloadPathStore::ReadValue(std::string_view section, std::string_view key) const {
  const auto f = Load(path_);
  if (!f) return {};
  const auto value = f->Get(section, key);
  return value ? CutToGbkBytes(*value, kMaxValueBytes) : std::string();
}

bool DownloadPathStore::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
  if (path_.empty()) return false;
  IniFile f;
  std::string before;
  if (auto loaded = Load(path_)) {
    f = std::move(*loaded);
    before = f.Serialize();
  } else if (platform::FileExists(path_) || platform::IsDirectory(path_)) {
    // Rebuilding a file we cannot read would throw away every other key.
    return false;
  }
  if (!f.Set(section, key, value)) return false;
  const std::string after = f.Serialize();
  if (!before.empty() && after == before) return true;
  return platform::ReplaceFileAtomically(path_, after.data(), after.size());
}

bool DownloadPathStore::EnsureFile(std::span<const std::string_view> keys, platform::Notifier& notifier) {
  if (!path_.empty() && platform::FileExists(path_)) {
    // Every folder the user picks would be forgotten without a word.
    if (!Load(path_)) notifier.ShowMessage(UnreadableSettingsText(path_));
    return true;
  }
  if (!path_.empty() && !platform::IsDirectory(path_)) {
    const std::string folder = documentsFolder_();
    IniFile f;
    for (const std::string_view key : keys) {
      // A folder name the file's encoding cannot hold would come back as a
      // wrong path; such a key starts empty instead.
      if (!f.Set(kDownPathSection, key, folder)) f.Set(kDownPathSection, key, "");
    }
    // Written whole under a temporary name, so no half-made file is left.
    const std::string bytes = f.Serialize();
    if (platform::ReplaceFileAtomically(path_, bytes.data(), bytes.size())) return true;
  }
  notifier.ShowMessage(kSettingsCreateError);
  return false;
}

}  // namespace dockline::download
