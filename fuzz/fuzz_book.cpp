// The whole book conversion from memory. An input that begins as a ZIP is
// taken as it is; any other is cut at NUL bytes into the parts of an EPUB
// or a Word document (by its first byte) and packed with correct CRCs here,
// so that the fuzzer's changes reach the package, the XML readers and the
// walkers instead of stopping at the archive's checks. Whatever the input,
// the text has CR LF line ends only and never two empty lines in a row.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "convert/book_file.h"

namespace {

void Put(std::string& s, std::uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) s.push_back(static_cast<char>(v >> (8 * k)));
}

// A stored archive of `files`.
std::string Pack(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string out, directory;
  for (const auto& [name, data] : files) {
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const auto at = static_cast<std::uint32_t>(out.size());
    std::string sizes;
    Put(sizes, crc, 4), Put(sizes, static_cast<std::uint32_t>(data.size()), 4), Put(sizes, static_cast<std::uint32_t>(data.size()), 4);
    Put(out, 0x04034b50, 4), Put(out, 20, 2), Put(out, 0, 2), Put(out, 0, 2), Put(out, 0, 4);
    out += sizes;
    Put(out, static_cast<std::uint32_t>(name.size()), 2), Put(out, 0, 2);
    out += name + data;
    Put(directory, 0x02014b50, 4), Put(directory, 20, 2), Put(directory, 20, 2), Put(directory, 0, 2), Put(directory, 0, 2);
    Put(directory, 0, 4);
    directory += sizes;
    Put(directory, static_cast<std::uint32_t>(name.size()), 2), Put(directory, 0, 4), Put(directory, 0, 4);
    Put(directory, 0, 4), Put(directory, at, 4);
    directory += name;
  }
  const auto directoryAt = static_cast<std::uint32_t>(out.size());
  out += directory;
  Put(out, 0x06054b50, 4), Put(out, 0, 4), Put(out, static_cast<std::uint32_t>(files.size()), 2);
  Put(out, static_cast<std::uint32_t>(files.size()), 2), Put(out, static_cast<std::uint32_t>(directory.size()), 4);
  Put(out, directoryAt, 4), Put(out, 0, 2);
  return out;
}

std::string Book(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts(1);
  for (std::size_t k = 1; k < size; ++k) {
    if (data[k] == 0) parts.emplace_back();
    else parts.back().push_back(static_cast<char>(data[k]));
  }
  parts.resize(4);
  if (data[0] & 1) {
    return Pack({{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", parts[0]}, {"word/footnotes.xml", parts[1]},
                 {"word/styles.xml", parts[2]}, {"docProps/core.xml", parts[3]}});
  }
  return Pack({{"mimetype", "application/epub+zip"},
                {"META-INF/container.xml", "<container><rootfiles><rootfile full-path=\"OPS/p.opf\"/></rootfiles></container>"},
                {"OPS/p.opf", parts[0]}, {"OPS/c1.xhtml", parts[1]}, {"OPS/c2.xhtml", parts[2]},
                {"META-INF/encryption.xml", parts[3]}});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dockline::convert;
  if (size == 0) return 0;
  const bool archive = size >= 2 && data[0] == 'P' && data[1] == 'K';
  const std::string packed = archive ? std::string() : Book(data, size);
  const std::span<const std::uint8_t> book =
      archive ? std::span(data, size) : std::span(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size());
  MemorySink sink;
  const BookFileResult result = ConvertBookBytes(book, sink, "name");
  if (result.status != BookFileResult::Converted) return 0;
  const std::string& text = sink.Bytes();
  for (std::size_t k = 0; k < text.size(); ++k) {
    // GBK trail bytes are 0x40 and above: every LF ends a line.
    if (text[k] == '\n' && (k == 0 || text[k - 1] != '\r')) std::abort();
  }
  if (text.find("\r\n\r\n\r\n") != std::string::npos) std::abort();
  return 0;
}
