#include "download/ini_file.h"

#include "text/encoding.h"

namespace dockline::download {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsAscii(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool IsUtf16(IniEncoding e) { return e == IniEncoding::Utf16Le || e == IniEncoding::Utf16Be; }

// One UTF-16 code unit as the two bytes of the file's byte order.
std::string Unit(char16_t u, IniEncoding e) {
  const char lo = static_cast<char>(u & 0xFF);
  const char hi = static_cast<char>(u >> 8);
  return e == IniEncoding::Utf16Le ? std::string{lo, hi} : std::string{hi, lo};
}

char16_t UnitAt(std::string_view bytes, std::size_t i, IniEncoding e) {
  const auto a = static_cast<unsigned char>(bytes[i]);
  const auto b = static_cast<unsigned char>(bytes[i + 1]);
  return e == IniEncoding::Utf16Le ? static_cast<char16_t>(a | (b << 8)) : static_cast<char16_t>((a << 8) | b);
}

// The line's text as UTF-8; bytes that do not decode become U+FFFD, which
// no name we look for contains.
std::string Decode(std::string_view raw, IniEncoding e) {
  switch (e) {
    case IniEncoding::Gbk:
      return IsAscii(raw) ? std::string(raw) : text::GbkToUtf8(raw);
    case IniEncoding::Utf8:
      return IsAscii(raw) ? std::string(raw) : text::Utf16ToUtf8(text::Utf8ToUtf16(raw));
    case IniEncoding::Utf16Le:
    case IniEncoding::Utf16Be: {
      std::u16string units;
      units.reserve(raw.size() / 2 + 1);
      std::size_t i = 0;
      for (; i + 1 < raw.size(); i += 2) units.push_back(UnitAt(raw, i, e));
      if (i < raw.size()) units.push_back(u'\uFFFD');  // the stray byte of an odd-sized file
      return text::Utf16ToUtf8(units);
    }
  }
  return {};
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
  return v;
}

bool HasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

}  // namespace

IniFile IniFile::Parse(std::string_view bytes) {
  IniFile f;
  if (bytes.starts_with(kUtf8Mark)) {
    f.encoding_ = IniEncoding::Utf8;
  } else if (bytes.starts_with(kUtf16LeMark)) {
    f.encoding_ = IniEncoding::Utf16Le;
  } else if (bytes.starts_with(kUtf16BeMark)) {
    f.encoding_ = IniEncoding::Utf16Be;
  }
  const std::size_t markSize =
      f.encoding_ == IniEncoding::Gbk ? 0 : (f.encoding_ == IniEncoding::Utf8 ? kUtf8Mark.size() : 2);
  f.mark_ = bytes.substr(0, markSize);
  const std::string_view body = bytes.substr(markSize);
  const std::size_t unit = IsUtf16(f.encoding_) ? 2 : 1;
  if (body.size() % unit != 0) f.writable_ = false;

  auto isUnit = [&](std::size_t i, char c) {
    return unit == 1 ? body[i] == c : UnitAt(body, i, f.encoding_) == static_cast<char16_t>(c);
  };
  std::size_t start = 0;
  std::size_t i = 0;
  for (; i + unit <= body.size(); i += unit) {
    if (!isUnit(i, '\n')) continue;
    Line line;
    std::size_t endStart = i;
    if (endStart >= start + unit && isUnit(endStart - unit, '\r')) endStart -= unit;
    line.raw = body.substr(start, endStart - start);
    line.end = body.substr(endStart, i + unit - endStart);
    start = i + unit;
    f.lines_.push_back(std::move(line));
  }
  if (start < body.size()) {
    Line line;
    line.raw = body.substr(start);
    f.lines_.push_back(std::move(line));
  }
  for (Line& line : f.lines_) f.Classify(line);
  return f;
}

std::string IniFile::Serialize() const {
  std::size_t size = mark_.size();
  for (const Line& l : lines_) size += l.raw.size() + l.end.size();
  std::string out;
  out.reserve(size);
  out.append(mark_);
  for (const Line& l : lines_) out.append(l.raw).append(l.end);
  return out;
}

void IniFile::Classify(Line& line) const {
  const std::string text = Decode(line.raw, encoding_);
  const std::string_view t = Trim(text);
  line.name.clear();
  line.value.clear();
  if (t.empty()) {
    line.kind = Kind::Blank;
  } else if (t.front() == ';') {
    line.kind = Kind::Comment;
  } else if (const auto close = t.find(']'); t.front() == '[' && close != t.npos) {
    line.kind = Kind::Section;
    line.name = Trim(t.substr(1, close - 1));
  } else if (const auto eq = t.find('='); eq != t.npos) {
    line.kind = Kind::Key;
    line.name = Trim(t.substr(0, eq));
    line.value = Unquote(Trim(t.substr(eq + 1)));
  } else {
    line.kind = Kind::Bare;
    line.name = t;
  }
}

std::optional<std::string> IniFile::Encode(std::string_view utf8) const {
  switch (encoding_) {
    case IniEncoding::Gbk: {
      if (IsAscii(utf8)) return std::string(utf8);
      bool lossless = false;
      std::string gbk = text::Utf8ToGbk(utf8, &lossless);
      // Also insist on the way back, so that what is written reads as given.
      if (!lossless || text::GbkToUtf8(gbk) != utf8) return std::nullopt;
      return gbk;
    }
    case IniEncoding::Utf8:
      if (text::Utf16ToUtf8(text::Utf8ToUtf16(utf8)) != utf8) return std::nullopt;
      return std::string(utf8);
    case IniEncoding::Utf16Le:
    case IniEncoding::Utf16Be: {
      const std::u16string units = text::Utf8ToUtf16(utf8);
      if (text::Utf16ToUtf8(units) != utf8) return std::nullopt;
      std::string out;
      out.reserve(units.size() * 2);
      for (const char16_t u : units) out.append(Unit(u, encoding_));
      return out;
    }
  }
  return std::nullopt;
}

std::string IniFile::LineEnd() const {
  return IsUtf16(encoding_) ? Unit(u'\r', encoding_) + Unit(u'\n', encoding_) : std::string("\r\n");
}

std::size_t IniFile::FindSection(std::string_view name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Kind::Section && text::EqualsIgnoreAsciiCase(lines_[i].name, name)) return i;
  return std::string::npos;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty()) return std::nullopt;
  const std::size_t s = FindSection(section);
  if (s == std::string::npos) return std::nullopt;
  for (std::size_t i = s + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
    const Line& l = lines_[i];
    if ((l.kind == Kind::Key || l.kind == Kind::Bare) && text::EqualsIgnoreAsciiCase(l.name, key)) {
      if (l.kind == Kind::Bare) return std::nullopt;
      return l.value;
    }
  }
  return std::nullopt;
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
  std::vector<std::string> out;
  section = Trim(section);
  const std::size_t s = section.empty() ? std::string::npos : FindSection(section);
  if (s == std::string::npos) return out;
  for (std::size_t i = s + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
    const Line& l = lines_[i];
    if ((l.kind == Kind::Key || l.kind == Kind::Bare) && !l.name.empty()) out.push_back(l.name);
  }
  return out;
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (!writable_ || section.empty() || key.empty()) return false;
  if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) return false;
  if (section.find(']') != section.npos) return false;
  if (key.find('=') != key.npos || key.front() == '[' || key.front() == ';') return false;

  // Reading trims blanks and drops one pair of quotes; a value that either
  // would change is protected by a pair of quotes of its own.
  std::string stored(value);
  if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                         (value.size() >= 2 && value.front() == '"' && value.back() == '"'))) {
    stored = "\"" + stored + "\"";
  }

  const std::size_t s = FindSection(section);
  std::size_t insertAt = s + 1;
  if (s != std::string::npos) {
    for (std::size_t i = s + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
      Line& l = lines_[i];
      if (l.kind != Kind::Key && l.kind != Kind::Bare) continue;
      insertAt = i + 1;
      if (!text::EqualsIgnoreAsciiCase(l.name, key)) continue;
      // The key keeps its spelling and its line end; only the value changes.
      auto raw = Encode(l.name + "=" + stored);
      if (!raw) return false;
      l.raw = std::move(*raw);
      l.kind = Kind::Key;
      l.value = value;
      return true;
    }
  }

  auto keyRaw = Encode(std::string(key) + "=" + stored);
  if (!keyRaw) return false;
  Line keyLine;
  keyLine.raw = std::move(*keyRaw);
  keyLine.end = LineEnd();
  keyLine.kind = Kind::Key;
  keyLine.name = key;
  keyLine.value = value;

  if (s != std::string::npos) {
    if (lines_[insertAt - 1].end.empty()) lines_[insertAt - 1].end = LineEnd();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(keyLine));
    return true;
  }

  auto headerRaw = Encode("[" + std::string(section) + "]");
  if (!headerRaw) return false;
  Line header;
  header.raw = std::move(*headerRaw);
  header.end = LineEnd();
  header.kind = Kind::Section;
  header.name = section;
  if (!lines_.empty()) {
    if (lines_.back().end.empty()) lines_.back().end = LineEnd();
    if (lines_.back().kind != Kind::Blank) {  // a blank line between sections, as the system writes
      Line blank;
      blank.end = LineEnd();
      lines_.push_back(std::move(blank));
    }
  }
  lines_.push_back(std::move(header));
  lines_.push_back(std::move(keyLine));
  return true;
}

}  // namespace dockline::download
