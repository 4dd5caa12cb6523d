#pragma once
// Files and folders dropped onto the window from the file manager. Each file
// goes under the category whose file-dialog filter takes its type, the
// category chosen last first; folders are walked through; a song's lyric
// file comes along as it does from the file dialog, and is not taken twice
// where the drop holds it too. What no category takes is named to the user
// once, not file by file.
//
// Plain C++ over the platform's file services: the page runs it on a worker,
// whose rows come in batches as ReadChosenFiles' do.

#include <atomic>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "download/file_entry.h"
#include "platform/notifier.h"

namespace dockline::download {

// Whether a choice of category 0..8's file-dialog filter takes `name`
// (letter case ignored, as the dialog ignores it).
bool FilterTakes(int category, std::string_view name);

// `current` when its filter takes the file, else the first category whose
// filter does; kNoCategory when none does. `current` may lie outside the
// table (an organizer entry): then only the order of the table counts.
int CategoryForDroppedFile(std::string_view path, int current);

// The rows of what was dropped, handed to `add` in batches: the files in the
// order dropped, a folder's visible files in name order before its
// subfolders, each file once however often the drop holds it. A path that is
// neither file nor folder is told to `notifier` as a chosen file that has
// gone would be. `found`, when given, counts the files found so far, for a
// window to read. A stop during the walk hands nothing over. Answers the
// names of the files no category takes, in the order met.
std::vector<std::string> ReadDroppedFiles(const std::vector<std::string>& dropped, int current,
                                          platform::Notifier& notifier,
                                          const std::function<void(std::vector<FileEntry>)>& add,
                                          std::stop_token stop = {}, std::atomic<std::size_t>* found = nullptr);

// What the user is to do with a book in a format the device cannot read and
// the program does not convert.
inline constexpr std::string_view kSaveBooksAsText =
    "请先把它们另存为EPUB、TXT或Word的.docx文件再添加，例如用电子书阅读软件转换，或在Word里用“另存为”。";

// Books the user may well have meant for the device, in formats that are
// not taken: MOBI, AZW, AZW3, PDF and Word 97-2003 documents.
bool IsUnconvertedBook(std::string_view name);

// One message for the files no category takes: the first few names and,
// when there are more, how many in all; the books of IsUnconvertedBook
// apart, with kSaveBooksAsText.
std::string RefusedFilesMessage(const std::vector<std::string>& names);

}  // namespace dockline::download
