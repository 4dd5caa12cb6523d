#include "convert/html_to_text.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "convert/page_encoding.h"
#include "platform/file_system.h"
#include "text/encoding.h"

namespace dockline::convert {
namespace {

constexpr std::uint8_t kBlank = 0x20;
constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;

// A NUL in a page would end the text early on the device; it reads as a blank.
inline std::uint8_t ByteAt(const std::uint8_t* in, std::size_t k) { return in[k] ? in[k] : kBlank; }

// `lower` is an ASCII literal in lower case; the page's letters may be of either case.
bool MatchesAt(const std::uint8_t* in, std::size_t size, std::size_t pos, std::string_view lower) {
  if (size - pos < lower.size()) return false;
  for (std::size_t k = 0; k < lower.size(); ++k)
    if (text::AsciiLower(static_cast<char>(in[pos + k])) != lower[k]) return false;
  return true;
}

// The first position at or after `from` where `lower` begins, or `size`.
std::size_t Find(const std::uint8_t* in, std::size_t size, std::size_t from, std::string_view lower) {
  while (from < size) {
    const void* hit = std::memchr(in + from, lower[0], size - from);
    if (!hit) return size;
    const std::size_t pos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - in);
    if (MatchesAt(in, size, pos, lower)) return pos;
    from = pos + 1;
  }
  return size;
}

// Where an element whose start tag begins at `start` ends: after `closer`
// and `extra` more bytes, or at the end of the page when it is never closed.
std::size_t SkipElement(const std::uint8_t* in, std::size_t size, std::size_t start, std::string_view closer,
                        std::size_t extra) {
  const std::size_t pos = Find(in, size, start + 1, closer);
  if (pos == size) return size;
  return std::min(size, pos + closer.size() + extra);
}

// Bytes that need more than a plain copy: NUL, CR, '&', '<' and lead bytes.
struct ByteClasses {
  bool special[256] = {};
  constexpr ByteClasses() {
    special[0] = special[kCr] = special[static_cast<unsigned char>('&')] = special[static_cast<unsigned char>('<')] = true;
    for (int b = 0x81; b < 256; ++b) special[b] = true;
  }
};
constexpr ByteClasses kClasses;

}  // namespace

std::size_t ScanHtml(const std::uint8_t* in, std::size_t size, std::uint8_t* out) {
  // Every rule consumes at least as many bytes as it writes, so o ≤ i holds
  // throughout; each rule reads what it needs before it writes, which makes
  // the scan safe in place.
  std::size_t i = 0;
  std::size_t o = 0;
  bool visible = false;
  // A CR seen with the flag clear looks ahead to the next byte above blank.
  // When that byte is ordinary text, every CR before it would find the same
  // byte; remembering it keeps a run of CRs from costing quadratic time.
  std::size_t lookAheadStop = 0;

  while (i < size) {
    // Plain bytes in a run: copy them as they are.
    if (!kClasses.special[in[i]]) {
      const std::size_t start = i;
      while (i < size && !kClasses.special[in[i]]) ++i;
      // The flag looks at each byte copied; a blank only fails to set it.
      // Tested before the move, which may overwrite these bytes in place.
      if (!visible)
        for (std::size_t k = start; k < i; ++k)
          if (in[k] != kBlank) {
            visible = true;
            break;
          }
      if (out + o != in + start) std::memmove(out + o, in + start, i - start);
      o += i - start;
      continue;
    }

    const std::uint8_t c = in[i];
    if (c == 0) {
      out[o++] = kBlank;
      ++i;
    } else if (c >= 0x81) {
      // A double-byte character: its trail byte is copied unexamined.
      if (i + 1 < size) {
        const std::uint8_t trail = ByteAt(in, i + 1);
        out[o++] = c;
        out[o++] = trail;
        i += 2;
        if (trail != kBlank) visible = true;
      } else {
        out[o++] = c;  // a lead byte cut off by the end of the page
        ++i;
        visible = true;
      }
    } else if (c == kCr) {
      if (visible) {
        const bool lf = i + 1 < size && in[i + 1] == kLf;
        out[o++] = kCr;
        if (lf) out[o++] = kLf;
        i += lf ? 2 : 1;
        visible = false;
      } else {
        std::size_t j = i + 1;
        if (i < lookAheadStop) {
          j = lookAheadStop;
        } else {
          while (j < size && in[j] != '<' && in[j] <= kBlank) ++j;
        }
        if (j < size && in[j] != '<') {
          lookAheadStop = j;
          out[o++] = kCr;
          ++i;
        } else {
          i = j;  // blank lines before markup or the end of the page vanish
        }
      }
    } else if (c == '&') {
      const std::uint8_t next = i + 1 < size ? ByteAt(in, i + 1) : 0;
      std::size_t length = 1;
      switch (next) {
        case 'a': out[o++] = '&'; length = 5; break;
        case 'g': out[o++] = '>'; length = 4; break;
        case 'l': out[o++] = '<'; length = 4; break;
        case 'n': out[o++] = kBlank; length = 6; break;
        case 'q': out[o++] = '"'; length = 6; break;
        default: break;  // the '&' alone goes; what follows is scanned as usual
      }
      i = std::min(size, i + length);
    } else {  // '<'
      if (MatchesAt(in, size, i, "<br>")) {
        std::size_t k = i + 4;
        // The page's own line break after the tag would double the one we write.
        if (k < size && in[k] == kCr) {
          ++k;
          if (k < size && in[k] == kLf) ++k;
        }
        out[o++] = kCr;
        out[o++] = kLf;
        i = k;
      } else if (MatchesAt(in, size, i, "<script")) {
        i = SkipElement(in, size, i, "</script", 1);
      } else if (MatchesAt(in, size, i, "<style")) {
        i = SkipElement(in, size, i, "</style", 1);
      } else if (MatchesAt(in, size, i, "<!--")) {
        i = SkipElement(in, size, i, "-->", 0);
      } else {
        const void* gt = std::memchr(in + i + 1, '>', size - i - 1);
        i = gt ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(gt) - in) + 1 : size;
      }
    }
  }
  return o;
}

std::size_t PageToText(std::uint8_t* page, std::size_t size) {
  const PageSniff sniff = SniffPageEncoding(std::string_view(reinterpret_cast<const char*>(page), size));
  if (sniff.encoding != PageEncoding::Gbk) size = PageToGbk(page, size, sniff, page);
  return ScanHtml(page, size, page);
}

std::string HtmlBytesToText(std::string_view page) {
  std::string out(page.size(), '\0');
  auto* o = reinterpret_cast<std::uint8_t*>(out.data());
  const auto* in = reinterpret_cast<const std::uint8_t*>(page.data());
  const PageSniff sniff = SniffPageEncoding(page);
  std::size_t n = 0;
  if (sniff.encoding == PageEncoding::Gbk) {
    n = ScanHtml(in, page.size(), o);
  } else {
    n = PageToGbk(in, page.size(), sniff, o);
    n = ScanHtml(o, n, o);
  }
  out.resize(n);
  return out;
}

std::string ReplaceFromFirstDot(std::string_view name, std::string_view suffix) {
  std::string out(name.substr(0, name.find('.')));
  out.append(suffix);
  return out;
}

HtmlToText::HtmlToText(platform::Notifier& notifier, std::string tempFolder)
    : notifier_(notifier), tempFolder_(std::move(tempFolder)) {}

bool HtmlToText::Convert(std::string& sourcePath, std::string& devicePath, std::string_view fileName) {
  try {
    const std::string folder = tempFolder_.empty() ? platform::TempFolder() : tempFolder_;
    platform::Bytes page;
    if (!platform::ReadWholeFile(sourcePath, page)) {
      notifier_.ShowMessage("打开html错误");
      return false;
    }
    // The text is never longer than the page, so it takes the page's place.
    page.resize(PageToText(page.data(), page.size()));

    const std::string textPath = platform::JoinPath(folder, ReplaceFromFirstDot(fileName, ".txt"));
    if (!platform::WriteWholeFile(textPath, page)) {
      const std::uint32_t error = platform::LastError();
      platform::RemoveFile(textPath);  // a half-written text must not be copied later
      notifier_.ShowMessage("无法在临时文件夹中创建文本文件：" + textPath + "（" + platform::ErrorText(error) + "）");
      return false;
    }
    sourcePath = textPath;
    devicePath = ReplaceFromFirstDot(devicePath, ".txt");
    return true;
  } catch (const std::bad_alloc&) {
    notifier_.ShowMessage("打开html错误");
    return false;
  }
}

}  // namespace dockline::convert
