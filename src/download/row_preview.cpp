#include "download/row_preview.h"

#include <algorithm>
#include <optional>

#include "download/category_table.h"
#include "download/file_conversion.h"
#include "platform/file_system.h"
#include "platform/notifier.h"
#include "platform/read_only_file.h"
#include "text/encoding.h"

namespace dockline::download {
namespace {

// The preview says what went wrong where the download would show a box:
// its first words are the ones that count.
class FirstWords : public platform::Notifier {
 public:
  void ShowMessage(std::string_view utf8) override {
    if (words.empty()) words.assign(utf8);
  }
  std::string words;
};

// A multi-line edit box breaks lines at CR LF only and ends its text at a NUL.
std::string ForEditBox(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + utf8.size() / 16);
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else {
      out.push_back(c == '\0' ? ' ' : c);
    }
  }
  return out;
}

// The start and the size of the GBK text at `path`; false when it cannot be read.
bool ReadTextStart(const std::string& path, TextPreview& text) {
  platform::ReadOnlyFile file;
  if (file.Open(path) != 0) return false;
  // One byte more than is shown: a character across the cut is then seen whole, and left out.
  std::string gbk(static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kPreviewTextBytes + 1)), '\0');
  std::size_t got = 0;
  if (file.ReadAt(0, gbk.data(), gbk.size(), got) != 0) return false;
  gbk.resize(text::GbkPrefixLength(std::string_view(gbk).substr(0, got), kPreviewTextBytes));
  text.start = ForEditBox(text::GbkToUtf8(gbk));
  text.deviceBytes = file.Size();
  return true;
}

// The text the download would place for a PC row, made the same way.
void MakeText(const FileEntry& entry, const std::string& tempFolder, std::stop_token stop, RowPreview& preview) {
  const int category = entry.categoryNumber - 1;
  const ConversionPlan plan =
      PlanConversion(category, entry.path, CategoryTable::devicePath('G', category, entry.name));
  FirstWords told;
  const PreparedFile made = PrepareForDevice(plan, entry.path, entry.name, tempFolder, told, stop);
  if (!made.ok) {
    preview.failure = told.words;
    return;
  }
  if (!ReadTextStart(made.path, preview.text)) preview.failure = kUnreadableSourceText;
  preview.text.replaced = made.replaced;
  if (made.temporary) platform::RemoveFile(made.path);
}

}  // namespace

PreviewKind PreviewKindOf(const FileEntry& entry, bool onDevice) {
  if (onDevice) {
    if (text::EndsWithIgnoreAsciiCase(entry.path, ".ych")) return PreviewKind::Picture;
    return text::EndsWithIgnoreAsciiCase(entry.path, ".txt") ? PreviewKind::Text : PreviewKind::None;
  }
  const int category = entry.categoryNumber - 1;
  // Any drive will do: only the kind of conversion is asked for.
  const std::string target = CategoryTable::devicePath('G', category, entry.name);
  if (target.empty()) return PreviewKind::None;
  switch (PlanConversion(category, entry.path, target).kind) {
    case Conversion::Picture: return PreviewKind::Picture;
    case Conversion::PageToText:
    case Conversion::DocumentToText: return PreviewKind::Text;
    // Books; a song's lyrics are read with the song, not on their own.
    case Conversion::BookText: return category == kBookCategory ? PreviewKind::Text : PreviewKind::None;
    case Conversion::Copy: break;
  }
  return PreviewKind::None;
}

RowPreview PreviewRowFile(const FileEntry& entry, bool onDevice, const std::string& tempFolder, std::stop_token stop) {
  RowPreview preview;
  preview.kind = PreviewKindOf(entry, onDevice);
  const std::string& path = entry.path;
  if (!onDevice) {
    const std::optional<std::uint64_t> size = platform::FileSize(path);
    if (!size || *size == 0) {
      preview.failure = size ? kEmptySourceText : kUnreadableSourceText;
      return preview;
    }
  }
  switch (preview.kind) {
    case PreviewKind::Picture:
      preview.picture = convert::PreviewDevicePicture(path, stop);
      if (preview.picture.code != convert::kPictureOk)
        preview.failure = convert::PictureFileErrorText(preview.picture.code, path);
      break;
    case PreviewKind::Text:
      if (!onDevice) {
        MakeText(entry, tempFolder, stop, preview);
      } else if (!ReadTextStart(path, preview.text)) {
        preview.failure = kUnreadableSourceText;
      }
      break;
    case PreviewKind::None: break;
  }
  return preview;
}

std::string PreviewSizeText(int width, int height, std::uint64_t deviceBytes) {
  return std::to_string(width) + " × " + std::to_string(height) + "，在U盘上占 " + GroupedDigits(deviceBytes) + " 字节";
}

std::string PreviewTextInfo(const TextPreview& text) {
  std::string info = "在U盘上占 " + GroupedDigits(text.deviceBytes) + " 字节";
  if (text.replaced > 0) info += "，其中" + std::to_string(text.replaced) + "个字符GBK没有，已换成“?”";
  return info;
}

std::string GroupedDigits(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

}  // namespace dockline::download
