#include "convert/xml_reader.h"

#include <algorithm>
#include <cstring>

#include "convert/html_entities.h"
#include "text/encoding.h"

namespace dockline::convert {

std::string_view XmlReader::Attribute(std::string_view local, std::string_view ns) const {
  for (const XmlAttribute& a : attributes_)
    if (a.local == local && a.ns == ns) return a.value;
  return {};
}

bool XmlReader::HasAttribute(std::string_view local, std::string_view ns) const {
  for (const XmlAttribute& a : attributes_)
    if (a.local == local && a.ns == ns) return true;
  return false;
}

namespace {

constexpr std::size_t kPiece = 32 * 1024;
// A tag longer than this is no tag: its '<' is taken for text.
constexpr std::size_t kLongestTag = 64 * 1024;
constexpr std::string_view kXhtml = "http://www.w3.org/1999/xhtml";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  text::AppendUtf8(out, c);
}

// Appends `s` with its character references resolved; one that does not
// resolve stays as written.
void AppendResolved(std::string& out, std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t amp = s.find('&', i);
    out.append(s.substr(i, amp - i));
    if (amp == std::string_view::npos) return;
    i = amp + 1;
    const std::size_t semi = s.find(';', i);
    if (semi == std::string_view::npos || semi - i > kLongestCharacterName + 1 || semi == i) {
      out.push_back('&');
      continue;
    }
    const std::string_view name = s.substr(i, semi - i);
    char32_t c = 0, second = 0;
    if (name[0] == '#') {
      const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
      std::size_t k = hex ? 2 : 1;
      if (k == name.size()) c = 0;
      for (; k < name.size(); ++k) {
        const char d = name[k];
        int v;
        if (d >= '0' && d <= '9') v = d - '0';
        else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
        else break;
        c = std::min<char32_t>(c * (hex ? 16 : 10) + static_cast<char32_t>(v), 0x110000);
      }
      if (k != name.size() || name.size() == (hex ? 2u : 1u)) c = 0;
      else if (c == 0) c = 0xFFFD;
    } else if (name == "amp") {
      c = '&';
    } else if (name == "lt") {
      c = '<';
    } else if (name == "gt") {
      c = '>';
    } else if (name == "quot") {
      c = '"';
    } else if (name == "apos") {
      c = '\'';
    } else {
      const NamedCharacter n = LookUpNamedCharacter(name);
      c = n.first;
      second = n.second;
    }
    if (c == 0) {
      out.push_back('&');
      continue;
    }
    AppendUtf8(out, c);
    if (second) AppendUtf8(out, second);
    i = semi + 1;
  }
}

bool IsVoidElement(std::string_view name) {
  for (std::string_view v : {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param",
                             "source", "track", "wbr"})
    if (text::EqualsIgnoreAsciiCase(name, v)) return true;
  return false;
}

// Elements whose start closes an open one of the same name, as HTML's
// parser does for paragraphs, list items and cells written without ends.
bool ClosesItsLike(std::string_view name) {
  for (std::string_view v : {"p", "li", "dt", "dd", "tr", "td", "th", "option"})
    if (text::EqualsIgnoreAsciiCase(name, v)) return true;
  return false;
}

class TolerantReader : public XmlReader {
 public:
  explicit TolerantReader(ByteSource& source) : source_(source) {}

  Event Next() override {
    for (;;) {
      if (pendingAt_ < pending_.size()) return Deliver();
      pending_.clear();
      pendingAt_ = 0;
      if (finished_) return Event::Done;
      if (!Fill(1)) {
        while (!open_.empty()) CloseTop();
        finished_ = true;
        continue;
      }
      if (!rawUntil_.empty()) {
        if (RawText()) return Event::Text;
        continue;
      }
      if (buffer_[pos_] != '<') {
        if (TextRun()) return Event::Text;
        continue;
      }
      if (Tag()) return Event::Text;
    }
  }

 private:
  struct Open {
    std::string qname;
    std::string local;
    std::string ns;
    std::size_t bindings = 0;  // namespace bindings this element added
  };
  struct Pending {
    Event event;
    std::string local;
    std::string ns;
    std::vector<XmlAttribute> attributes;
  };

  Event Deliver() {
    Pending& p = pending_[pendingAt_++];
    local_.swap(p.local);
    ns_.swap(p.ns);
    if (p.event == Event::Start) attributes_.swap(p.attributes);
    if (p.event == Event::Text) text_.swap(p.local);
    return p.event;
  }

  // At least `count` bytes after pos_, unless the document ends first.
  bool Fill(std::size_t count) {
    while (buffer_.size() - pos_ < count) {
      if (ended_) return buffer_.size() - pos_ >= count;
      if (pos_ > 0) {
        buffer_.erase(0, pos_);
        pos_ = 0;
      }
      const std::size_t had = buffer_.size();
      buffer_.resize(had + kPiece);
      const std::size_t got = source_.Read(reinterpret_cast<std::uint8_t*>(buffer_.data()) + had, kPiece);
      buffer_.resize(had + got);
      if (got == 0) ended_ = true;
    }
    return true;
  }

  // Where a piece of text may end before `limit` without cutting a
  // reference or a UTF-8 character in two.
  std::size_t SafeEnd(std::size_t limit) const {
    const std::size_t amp = buffer_.rfind('&', limit - 1);
    if (amp != std::string::npos && amp >= pos_ && limit - amp <= kLongestCharacterName + 2 &&
        buffer_.find(';', amp) >= limit)
      limit = amp;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(buffer_[k]); };
    std::size_t k = limit;
    std::size_t trailing = 0;
    while (k > pos_ && trailing < 3 && (byte(k - 1) & 0xC0) == 0x80) --k, ++trailing;
    if (k > pos_ && byte(k - 1) >= 0xC0) {
      const std::size_t needs = byte(k - 1) >= 0xF0 ? 3 : byte(k - 1) >= 0xE0 ? 2 : 1;
      if (trailing < needs) limit = k - 1;
    }
    return limit;
  }

  bool TextRun() {
    std::size_t end = buffer_.find('<', pos_);
    if (end == std::string::npos) {
      end = buffer_.size();
      if (!ended_) {
        end = SafeEnd(end);
        if (end == pos_) {  // nothing safe yet: read on
          Fill(buffer_.size() - pos_ + kPiece);
          end = std::min(buffer_.find('<', pos_), buffer_.size());
        }
      }
    }
    text_.clear();
    AppendResolved(text_, std::string_view(buffer_).substr(pos_, end - pos_));
    pos_ = end;
    return !text_.empty();
  }

  // The text of a script or style, up to its end tag, unread.
  bool RawText() {
    for (std::size_t at = pos_; (at = buffer_.find("</", at)) != std::string::npos; ++at) {
      if (buffer_.size() - at < rawUntil_.size() + 2 && !ended_) break;
      if (text::EqualsIgnoreAsciiCase(std::string_view(buffer_).substr(at + 2, rawUntil_.size()), rawUntil_)) {
        text_.assign(buffer_, pos_, at - pos_);
        pos_ = at;
        rawUntil_.clear();
        return !text_.empty();
      }
    }
    const std::size_t keep = std::min(buffer_.size() - pos_, rawUntil_.size() + 2);
    text_.assign(buffer_, pos_, buffer_.size() - keep - pos_);
    pos_ = buffer_.size() - keep;
    if (ended_) {
      text_.append(buffer_, pos_, keep);
      pos_ = buffer_.size();
      rawUntil_.clear();
    } else {
      Fill(keep + 1);
    }
    return !text_.empty();
  }

  // Drops everything up to and including `end`, however far it is.
  void SkipPast(std::string_view end) {
    for (;;) {
      const std::size_t found = buffer_.find(end, pos_);
      if (found != std::string::npos) {
        pos_ = found + end.size();
        return;
      }
      pos_ = buffer_.size() - std::min(buffer_.size() - pos_, end.size() - 1);
      if (!Fill(end.size())) {
        pos_ = buffer_.size();
        return;
      }
    }
  }

  // The end of the tag that starts at pos_ (its '>'), or npos.
  std::size_t TagEnd() {
    for (;;) {
      char quote = 0;
      for (std::size_t k = pos_ + 1; k < buffer_.size(); ++k) {
        const char c = buffer_[k];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          return k;
        } else if (c == '<' && !quote) {
          return std::string::npos;  // a '<' before any '>': this one was text
        }
      }
      if (ended_ || buffer_.size() - pos_ >= kLongestTag) break;
      Fill(buffer_.size() - pos_ + kPiece);
    }
    // An unbalanced quote: the first '>' ends it after all.
    const std::size_t plain = buffer_.find('>', pos_);
    return plain != std::string::npos && plain - pos_ < kLongestTag ? plain : std::string::npos;
  }

  // A '<' at pos_; true when it turned out to be text (in text_).
  bool Tag() {
    Fill(9);
    const std::string_view s = std::string_view(buffer_).substr(pos_);
    if (s.starts_with("<!--")) {
      pos_ += 4;
      SkipPast("-->");
      return false;
    }
    if (s.starts_with("<![CDATA[")) {
      pos_ += 9;
      return CData();
    }
    if (s.starts_with("<?")) {
      SkipPast("?>");
      return false;
    }
    const bool closing = s.size() > 1 && s[1] == '/';
    if (s.size() < (closing ? 3u : 2u) || !(s[1] == '!' || IsNameStart(s[closing ? 2 : 1]))) {
      pos_ += 1;
      text_.assign(1, '<');
      return true;
    }
    const std::size_t end = TagEnd();
    if (end == std::string::npos) {
      pos_ += 1;
      text_.assign(1, '<');
      return true;
    }
    const std::string tag = buffer_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    if (tag[0] == '!') return false;  // a declaration of some kind
    if (closing) {
      EndTag(std::string_view(tag).substr(1));
    } else {
      StartTag(tag);
    }
    return false;
  }

  bool CData() {
    const std::size_t found = buffer_.find("]]>", pos_);
    if (found != std::string::npos) {
      text_.assign(buffer_, pos_, found - pos_);
      pos_ = found + 3;
      return !text_.empty();
    }
    const std::size_t keep = std::min<std::size_t>(2, buffer_.size() - pos_);
    text_.assign(buffer_, pos_, buffer_.size() - keep - pos_);
    pos_ = buffer_.size() - keep;
    if (!Fill(3)) {
      text_.append(buffer_, pos_, std::string::npos);
      pos_ = buffer_.size();
      return !text_.empty();
    }
    // Still inside: the rest comes as the next piece of text.
    buffer_.insert(pos_, "<![CDATA[");
    return !text_.empty();
  }

  std::string Resolve(std::string_view prefix) const {
    for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it)
      if (it->first == prefix) return it->second;
    if (prefix == "xml") return std::string(kXmlNamespace);
    return {};
  }

  void StartTag(std::string_view tag) {
    std::size_t k = 0;
    while (k < tag.size() && IsNameChar(tag[k])) ++k;
    const std::string qname(tag.substr(0, k));
    bool selfClosing = !tag.empty() && tag.back() == '/';
    std::vector<std::pair<std::string, std::string>> raw;  // name, value
    while (k < tag.size()) {
      while (k < tag.size() && (IsSpace(tag[k]) || tag[k] == '/')) ++k;
      const std::size_t nameAt = k;
      while (k < tag.size() && !IsSpace(tag[k]) && tag[k] != '=' && tag[k] != '/') ++k;
      if (k == nameAt) break;
      std::string name(tag.substr(nameAt, k - nameAt));
      while (k < tag.size() && IsSpace(tag[k])) ++k;
      std::string value;
      if (k < tag.size() && tag[k] == '=') {
        ++k;
        while (k < tag.size() && IsSpace(tag[k])) ++k;
        if (k < tag.size() && (tag[k] == '"' || tag[k] == '\'')) {
          const std::size_t close = tag.find(tag[k], k + 1);
          const std::size_t stop = close == std::string_view::npos ? tag.size() : close;
          AppendResolved(value, tag.substr(k + 1, stop - k - 1));
          k = stop + 1;
        } else {
          const std::size_t from = k;
          while (k < tag.size() && !IsSpace(tag[k])) ++k;
          if (k == tag.size() && k > from && tag[k - 1] == '/') --k;
          AppendResolved(value, tag.substr(from, k - from));
        }
      }
      raw.emplace_back(std::move(name), std::move(value));
    }
    const std::size_t bound = bindings_.size();
    for (const auto& [name, value] : raw) {
      if (name == "xmlns") bindings_.emplace_back("", value);
      else if (name.starts_with("xmlns:")) bindings_.emplace_back(name.substr(6), value);
    }
    Pending start{Event::Start, {}, {}, {}};
    const auto split = [](std::string_view q) {
      const std::size_t colon = q.find(':');
      return colon == std::string_view::npos ? std::pair{std::string_view(), q}
                                             : std::pair{q.substr(0, colon), q.substr(colon + 1)};
    };
    const auto [prefix, local] = split(qname);
    start.local = local;
    start.ns = Resolve(prefix);
    for (auto& [name, value] : raw) {
      if (name == "xmlns" || name.starts_with("xmlns:")) continue;
      const auto [p, l] = split(name);
      start.attributes.push_back({p.empty() ? std::string() : Resolve(p), std::string(l), std::move(value)});
    }
    const bool html = start.ns.empty() || start.ns == kXhtml;
    if (html && IsVoidElement(start.local)) selfClosing = true;
    if (html && ClosesItsLike(start.local) && !open_.empty() && open_.back().qname == qname) CloseTop();
    if (open_.size() >= static_cast<std::size_t>(kMaxElementDepth)) {
      bindings_.resize(bound);  // too deep: the element is flattened into its parent
      return;
    }
    if (html && (text::EqualsIgnoreAsciiCase(start.local, "script") || text::EqualsIgnoreAsciiCase(start.local, "style")) &&
        !selfClosing)
      rawUntil_ = qname;
    open_.push_back({qname, start.local, start.ns, bindings_.size() - bound});
    pending_.push_back(std::move(start));
    if (selfClosing) CloseTop();
  }

  void EndTag(std::string_view tag) {
    std::size_t k = 0;
    while (k < tag.size() && !IsSpace(tag[k])) ++k;
    const std::string_view qname = tag.substr(0, k);
    for (std::size_t depth = open_.size(); depth > 0; --depth) {
      if (text::EqualsIgnoreAsciiCase(open_[depth - 1].qname, qname)) {
        while (open_.size() >= depth) CloseTop();
        return;
      }
    }
  }

  void CloseTop() {
    Open& top = open_.back();
    bindings_.resize(bindings_.size() - top.bindings);
    pending_.push_back({Event::End, std::move(top.local), std::move(top.ns), {}});
    open_.pop_back();
  }

  ByteSource& source_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool ended_ = false;
  bool finished_ = false;
  std::string rawUntil_;  // the script or style element whose end is awaited
  std::vector<Open> open_;
  std::vector<std::pair<std::string, std::string>> bindings_;
  std::vector<Pending> pending_;
  std::size_t pendingAt_ = 0;
};

}  // namespace

std::unique_ptr<XmlReader> OpenTolerantReader(ByteSource& source) { return std::make_unique<TolerantReader>(source); }

}  // namespace dockline::convert
