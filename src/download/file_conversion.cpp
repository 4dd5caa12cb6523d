#include "download/file_conversion.h"

#include <array>
#include <atomic>
#include <random>

#include "convert/book_file.h"
#include "convert/book_text.h"
#include "convert/html_to_text.h"
#include "convert/picture_file.h"
#include "download/category_table.h"
#include "platform/file_system.h"
#include "text/encoding.h"

namespace dockline::download {
namespace {

bool EndsWithAny(std::string_view path, std::initializer_list<std::string_view> endings) {
  for (const auto e : endings)
    if (text::EndsWithIgnoreAsciiCase(path, e)) return true;
  return false;
}

// "dir\photo.jpeg" → "dir\photo.ych": the extension after the name's last dot.
std::string WithExtension(std::string_view path, std::string_view extension) {
  const std::string_view name = platform::FileNamePart(path);
  const std::size_t dot = name.rfind('.');
  const std::size_t keep = path.size() - name.size() + (dot == std::string_view::npos ? name.size() : dot);
  return std::string(path.substr(0, keep)).append(extension);
}

std::string Reason(std::uint32_t code) { return "（" + platform::ErrorText(code) + "）"; }

// The temporary folder is everyone's, and files opened from a zip or a mail
// land there: what a conversion makes must neither overwrite a file it finds
// there (the source among them) nor remove one afterwards. So its files get
// a prefix of their own, free in that folder, with no dot in it (a page's
// text is named up to the first dot).
std::string FreePrefix(const std::string& folder, std::string_view madeName) {
  static std::atomic<unsigned> next{std::random_device{}() % 100000};
  for (;;) {
    std::string prefix = "dockline~" + std::to_string(next++) + "~";
    if (!platform::FileExists(platform::JoinPath(folder, prefix + std::string(madeName)))) return prefix;
  }
}

}  // namespace

bool IsWebPage(std::string_view path) { return EndsWithAny(path, {".htm", ".html"}); }

bool IsBookDocument(std::string_view path) { return EndsWithAny(path, {".epub", ".docx"}); }

bool IsPictureName(std::string_view path) {
  return EndsWithAny(path, {".jpg", ".jpeg", ".jpe", ".png", ".gif", ".tif", ".tiff", ".bmp"});
}

ConversionPlan PlanConversion(int category, std::string_view sourcePath, std::string_view target, bool rawTexts) {
  ConversionPlan plan{Conversion::Copy, std::string(target)};
  if (category == kBookCategory && IsWebPage(sourcePath)) {
    // Only the name is cut at its first dot: a device folder may hold dots too.
    const std::string_view name = platform::FileNamePart(target);
    plan.kind = Conversion::PageToText;
    plan.target = std::string(target.substr(0, target.size() - name.size())) + convert::ReplaceFromFirstDot(name, ".txt");
  } else if (category == kBookCategory && IsBookDocument(sourcePath)) {
    plan.kind = Conversion::DocumentToText;
    plan.target = WithExtension(target, ".txt");
  } else if (text::EndsWithIgnoreAsciiCase(sourcePath, "bmp") && target.size() >= 3) {
    plan.kind = Conversion::Picture;
    plan.target.replace(plan.target.size() - 3, 3, "ych");
  } else if (category == kPictureCategory && IsPictureName(sourcePath)) {
    plan.kind = Conversion::Picture;
    plan.target = WithExtension(target, ".ych");
  } else if (!rawTexts && EndsWithAny(sourcePath, {".txt", ".lrc"})) {
    plan.kind = Conversion::BookText;
  }
  return plan;
}

PreparedFile PrepareForDevice(const ConversionPlan& plan, const std::string& sourcePath, std::string_view fileName,
                              const std::string& tempFolder, platform::Notifier& notifier, std::stop_token stop) {
  PreparedFile out{true, sourcePath, false, 0};
  const std::string folder = tempFolder.empty() ? platform::TempFolder() : tempFolder;
  switch (plan.kind) {
    case Conversion::Copy:
      return out;
    case Conversion::PageToText: {
      std::string ignored = std::string(fileName);
      const std::string ownName = FreePrefix(folder, convert::ReplaceFromFirstDot(fileName, ".txt")) + std::string(fileName);
      convert::HtmlToText pages(notifier, folder);
      out.ok = pages.Convert(out.path, ignored, ownName);
      out.temporary = out.ok;
      return out;
    }
    case Conversion::DocumentToText: {
      const std::string_view name = platform::FileNamePart(plan.target);
      const std::string made = platform::JoinPath(folder, FreePrefix(folder, name) + std::string(name));
      const convert::BookFileResult result = convert::ConvertBookFile(sourcePath, made, stop);
      if (result.status == convert::BookFileResult::Converted) return {true, made, true, result.replaced};
      if (result.status != convert::BookFileResult::Stopped)
        notifier.ShowMessage(convert::BookFileErrorText(result, sourcePath));
      return {false, sourcePath, false, 0};
    }
    case Conversion::Picture: {
      const std::string_view name = platform::FileNamePart(plan.target);
      const std::string made = platform::JoinPath(folder, FreePrefix(folder, name) + std::string(name));
      const int code = convert::ConvertPictureFile(sourcePath, made, stop);
      if (code != convert::kPictureOk) {
        if (code != convert::kPictureStopped) notifier.ShowMessage(convert::PictureFileErrorText(code, sourcePath, made));
        return {false, sourcePath, false, 0};
      }
      return {true, made, true, 0};
    }
    case Conversion::BookText: {
      const std::string_view name = platform::FileNamePart(plan.target);
      const std::string made = platform::JoinPath(folder, FreePrefix(folder, name) + std::string(name));
      const auto result = convert::ConvertBookText(sourcePath, made);
      switch (result.status) {
        case convert::BookTextResult::Unchanged:
          return out;
        case convert::BookTextResult::Converted:
          return {true, made, true, result.replaced};
        case convert::BookTextResult::Unreadable:
          notifier.ShowMessage(kUnreadableSourceText);
          return {false, sourcePath, false, 0};
        case convert::BookTextResult::NotWritten:
          notifier.ShowMessage("无法在临时文件夹中创建文本文件：" + made + Reason(result.error));
          return {false, sourcePath, false, 0};
      }
      break;
    }
  }
  return out;
}

std::string ReplacementLine(std::string_view fileName, std::size_t replaced) {
  return std::string(fileName) + "：" + std::to_string(replaced) + "个字符";
}

std::string WithReplacements(std::string_view message, const std::string& replacementLines) {
  if (replacementLines.empty()) return std::string(message);
  return std::string(message) + "\n\n这些文件中有GBK没有的字符，已换成“?”：" + replacementLines;
}

}  // namespace dockline::download
