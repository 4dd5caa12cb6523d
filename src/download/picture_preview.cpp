#include "download/picture_preview.h"

#include <optional>

#include "download/category_table.h"
#include "download/file_conversion.h"
#include "platform/file_system.h"
#include "text/encoding.h"

namespace dockline::download {

bool PreviewsAsPicture(const FileEntry& entry, bool onDevice) {
  if (onDevice) return text::EndsWithIgnoreAsciiCase(entry.path, ".ych");
  const int category = entry.categoryNumber - 1;
  // Any drive will do: only the kind of conversion is asked for.
  const std::string target = CategoryTable::devicePath('G', category, entry.name);
  return !target.empty() && PlanConversion(category, entry.path, target).kind == Conversion::Picture;
}

RowPreview PreviewRowFile(const std::string& path, bool onDevice, std::stop_token stop) {
  RowPreview preview;
  if (!onDevice) {
    const std::optional<std::uint64_t> size = platform::FileSize(path);
    if (!size || *size == 0) {
      preview.failure = size ? kEmptySourceText : kUnreadableSourceText;
      return preview;
    }
  }
  preview.picture = convert::PreviewDevicePicture(path, stop);
  if (preview.picture.code != convert::kPictureOk) preview.failure = convert::PictureFileErrorText(preview.picture.code, path);
  return preview;
}

std::string PreviewSizeText(int width, int height, std::uint64_t deviceBytes) {
  return std::to_string(width) + " × " + std::to_string(height) + "，在U盘上占 " + GroupedDigits(deviceBytes) + " 字节";
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
