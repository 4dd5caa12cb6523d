#pragma once
// What a file becomes on its way to the device, decided in one place for
// the download run, the command line and the preview: a plain copy, a web
// page made GBK text, an EPUB book or a Word document made GBK text, a
// picture made the device's picture file, or a book or lyrics text made GBK. Every conversion leaves its result as a file in the
// PC's temporary folder, which then goes onto the device exactly as a plain
// copy does (free-space check, overwrite question, temporary name, flush,
// move), so the converted bytes get no second, lesser path.

#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>

#include "platform/notifier.h"

namespace dockline::download {

enum class Conversion { Copy, PageToText, DocumentToText, Picture, BookText };

// A source that cannot be read, and an empty one: told before anything is
// made of it, a copy or a conversion alike.
inline constexpr std::string_view kUnreadableSourceText = "无法打开源文件";
inline constexpr std::string_view kEmptySourceText = "为了您的系统良好，请不要复制空文件。";

struct ConversionPlan {
  Conversion kind = Conversion::Copy;
  std::string target;  // the device path, its name changed as the conversion makes it
};

// `target` is where the category table puts the file. Web pages, EPUB books
// and Word documents convert in the e-book category (a document's text is
// named as the document with ".txt" for its last extension; what it holds
// decides whether it converts, and one that is no book is refused, never
// copied); a source ending in "bmp" converts in any category, as it always
// has; the other pictures in the picture category; .txt and .lrc
// texts in any, unless `rawTexts`.
ConversionPlan PlanConversion(int category, std::string_view sourcePath, std::string_view target, bool rawTexts = false);

// Source names of web pages: "*.htm" or "*.html", in any case.
bool IsWebPage(std::string_view path);
// Source names of books that become text: "*.epub" and "*.docx".
bool IsBookDocument(std::string_view path);
// Pictures the picture category takes: .jpg .jpeg .jpe .png .gif .tif .tiff .bmp.
bool IsPictureName(std::string_view path);

struct PreparedFile {
  bool ok = false;         // false: the user has been told why, nothing is to go across
  std::string path;        // the file to place on the device
  bool temporary = false;  // `path` was made here and is to be removed afterwards
  std::size_t replaced = 0;  // characters GBK lacks, written as '?'
};

// Makes the file to place for `plan` from `sourcePath` (a Copy places the
// source itself; so does a book text already in GBK). `fileName` is the
// row's name, `tempFolder` "" for the system's. Failures are told to
// `notifier`; a conversion a stop cut short is not a failure to tell.
PreparedFile PrepareForDevice(const ConversionPlan& plan, const std::string& sourcePath, std::string_view fileName,
                              const std::string& tempFolder, platform::Notifier& notifier, std::stop_token stop = {});

// "下载完毕" and the like, followed by the files whose characters were replaced.
std::string WithReplacements(std::string_view message, const std::string& replacementLines);
// One line of that list: "书.txt：3个字符".
std::string ReplacementLine(std::string_view fileName, std::size_t replaced);

}  // namespace dockline::download
