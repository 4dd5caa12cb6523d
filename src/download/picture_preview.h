#pragma once
// Which rows of the download page open a preview of what the device will
// show, and the words under that preview.

#include <cstdint>
#include <stop_token>
#include <string>

#include "convert/picture_file.h"
#include "download/file_entry.h"

namespace dockline::download {

// A PC row whose download makes a device picture (the decision of
// PlanConversion, so the preview is what the download will make), or a
// device row holding a picture file.
bool PreviewsAsPicture(const FileEntry& entry, bool onDevice);

// What the device will show for a row's file, made as the download makes it
// but written nowhere. When it would make nothing, `failure` holds the words
// the download would use: the source's own faults first, as the run tells
// them, then the conversion's.
struct RowPreview {
  convert::PicturePreview picture;
  std::string failure;
};
// A stop ends the conversion early; what it answers then is of no use.
RowPreview PreviewRowFile(const std::string& path, bool onDevice, std::stop_token stop = {});

// "320 × 240，在U盘上占 19,215 字节"
std::string PreviewSizeText(int width, int height, std::uint64_t deviceBytes);

// "19,215": thousands set apart, as the size of a file is read.
std::string GroupedDigits(std::uint64_t value);

}  // namespace dockline::download
