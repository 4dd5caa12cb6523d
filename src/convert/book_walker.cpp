#include "convert/book_walker.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <utility>

#include "text/encoding.h"

namespace dockline::convert {
namespace {

constexpr std::string_view kXhtml = "http://www.w3.org/1999/xhtml";
constexpr std::string_view kSvg = "http://www.w3.org/2000/svg";
constexpr std::string_view kEpub = "http://www.idpf.org/2007/ops";
constexpr std::string_view kWordMain = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kWordStrict = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr std::string_view kWordDrawing = "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
constexpr std::string_view kWordDrawingStrict = "http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing";
constexpr std::string_view kCompatibility = "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr std::string_view kVml = "urn:schemas-microsoft-com:vml";

constexpr std::string_view kCellSeparator = " | ";

// Whether the space-separated list `tokens` holds `token`.
bool HasToken(std::string_view tokens, std::string_view token) {
  std::size_t i = 0;
  while (i < tokens.size()) {
    while (i < tokens.size() && tokens[i] == ' ') ++i;
    std::size_t end = tokens.find(' ', i);
    if (end == std::string_view::npos) end = tokens.size();
    if (tokens.substr(i, end - i) == token) return true;
    i = end;
  }
  return false;
}

int ParseInt(std::string_view s, int otherwise) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  int v = otherwise;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() ? v : otherwise;
}

// ---- XHTML --------------------------------------------------------------

enum class Kind : std::uint8_t {
  Inline, Skip, Block, Heading, Break, Image, List, OrderedList, Item, Table, Row, Cell, Pre, Annotation
};

Kind KindOf(std::string_view name) {
  static const std::unordered_map<std::string_view, Kind> kinds = [] {
    std::unordered_map<std::string_view, Kind> m;
    for (std::string_view n : {"head", "script", "style", "template", "title", "rp", "iframe", "audio", "video",
                               "canvas", "select", "datalist", "noembed", "noframes", "svg"})
      m.emplace(n, Kind::Skip);
    for (std::string_view n : {"address", "article", "aside", "blockquote", "body", "caption", "center", "dd",
                               "details", "dialog", "div", "dl", "dt", "fieldset", "figcaption", "figure", "footer",
                               "form", "header", "hgroup", "hr", "html", "legend", "main", "nav", "p", "section",
                               "summary", "tbody", "thead", "tfoot"})
      m.emplace(n, Kind::Block);
    for (std::string_view n : {"h1", "h2", "h3", "h4", "h5", "h6"}) m.emplace(n, Kind::Heading);
    for (std::string_view n : {"ul", "menu", "dir"}) m.emplace(n, Kind::List);
    for (std::string_view n : {"pre", "listing", "xmp", "plaintext"}) m.emplace(n, Kind::Pre);
    for (std::string_view n : {"rt", "rtc"}) m.emplace(n, Kind::Annotation);
    m.emplace("br", Kind::Break);
    m.emplace("img", Kind::Image);
    m.emplace("ol", Kind::OrderedList);
    m.emplace("li", Kind::Item);
    m.emplace("table", Kind::Table);
    m.emplace("tr", Kind::Row);
    m.emplace("td", Kind::Cell);
    m.emplace("th", Kind::Cell);
    return m;
  }();
  const auto it = kinds.find(name);
  return it == kinds.end() ? Kind::Inline : it->second;
}

class XhtmlWalk {
 public:
  explicit XhtmlWalk(TextOut& out) : out_(out) {}

  void Run(XmlReader& reader) {
    for (;;) {
      switch (reader.Next()) {
        case XmlReader::Event::Start: Start(reader); break;
        case XmlReader::Event::End: End(); break;
        case XmlReader::Event::Text:
          if (skip_ == 0) pre_ > 0 ? out_.Preformatted(reader.Text()) : out_.Text(reader.Text());
          break;
        case XmlReader::Event::Done: out_.EndBlock(); return;
      }
    }
  }

 private:
  struct Frame {
    Kind kind;
    bool noteReference = false;
    int counter = 0;  // a list's next number
    std::size_t position = 0;
  };
  struct TableState {
    int cells = 0;
    bool inCell = false;
  };

  bool InCell() const { return !tables_.empty() && tables_.back().inCell; }
  // Inside a table cell a block's edge is a space: the row stays one line.
  void BlockEdge() { InCell() ? out_.Text(" ") : out_.EndBlock(); }

  static bool Hidden(const XmlReader& r) {
    if (r.HasAttribute("hidden") || r.Attribute("aria-hidden") == "true") return true;
    const std::string_view role = r.Attribute("role");
    const std::string_view type = r.Attribute("type", kEpub);
    // A note's link back to its reference: an arrow, and nowhere to go on the device.
    return HasToken(role, "doc-backlink") || HasToken(r.Attribute("class"), "footnote-back") ||
           HasToken(role, "doc-pagebreak") || HasToken(type, "pagebreak");
  }

  void Start(const XmlReader& r) {
    if (skip_ > 0) {
      ++skip_;
      return;
    }
    Kind kind = Kind::Inline;
    std::string lower;
    std::string_view name = r.Local();
    if (std::any_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
      lower.assign(name);
      for (char& c : lower) c = text::AsciiLower(c);
      name = lower;
    }
    if (r.Namespace() == kXhtml || r.Namespace().empty()) kind = KindOf(name);
    else if (r.Namespace() == kSvg || (r.Namespace() == kEpub && name == "case")) kind = Kind::Skip;
    if (kind == Kind::Skip || Hidden(r)) {
      skip_ = 1;
      return;
    }
    Frame frame{kind};
    switch (kind) {
      case Kind::Block:
      case Kind::List: BlockEdge(); break;
      case Kind::Heading:
        if (InCell()) {
          out_.Text(" ");
        } else {
          out_.EndBlock();
          out_.Gap();
        }
        break;
      case Kind::Break: InCell() ? out_.Text(" ") : out_.LineBreak(); break;
      case Kind::Image: out_.Text(r.Attribute("alt")); break;
      case Kind::OrderedList:
        BlockEdge();
        frame.counter = ParseInt(r.Attribute("start"), 1);
        break;
      case Kind::Item: {
        BlockEdge();
        const auto list = std::find_if(frames_.rbegin(), frames_.rend(), [](const Frame& f) {
          return f.kind == Kind::List || f.kind == Kind::OrderedList;
        });
        if (InCell() || list == frames_.rend()) break;
        if (list->kind == Kind::OrderedList) {
          list->counter = ParseInt(r.Attribute("value"), list->counter);
          out_.Prefix(std::to_string(list->counter++) + ". ");
        } else {
          out_.Prefix("\xC2\xB7 ");  // a middle dot, which GBK has
        }
        break;
      }
      case Kind::Table:
        BlockEdge();
        tables_.push_back({});
        break;
      case Kind::Row:
        out_.EndBlock();
        if (!tables_.empty()) tables_.back() = {};
        break;
      case Kind::Cell:
        if (tables_.empty()) break;
        if (tables_.back().cells++ > 0) out_.Attach(kCellSeparator);
        tables_.back().inCell = true;
        break;
      case Kind::Pre:
        BlockEdge();
        ++pre_;
        break;
      case Kind::Annotation:
        if (annotation_++ == 0) out_.Attach("(");
        break;
      case Kind::Inline: {
        const std::string_view role = r.Attribute("role");
        // EPUB 2 has no epub:type: its writers mark references by class.
        const std::string_view type = r.Attribute("type", kEpub), classes = r.Attribute("class");
        if (HasToken(role, "doc-noteref") || HasToken(type, "noteref") || HasToken(classes, "footnote-ref") ||
            HasToken(classes, "noteref")) {
          frame.noteReference = true;
          frame.position = out_.Position();
        }
        break;
      }
      case Kind::Skip: break;
    }
    frames_.push_back(frame);
  }

  void End() {
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (frames_.empty()) return;
    const Frame frame = frames_.back();
    frames_.pop_back();
    switch (frame.kind) {
      case Kind::Block:
      case Kind::List:
      case Kind::OrderedList:
      case Kind::Heading: BlockEdge(); break;
      case Kind::Item:
        BlockEdge();
        out_.Prefix("");
        break;
      case Kind::Table:
        if (!tables_.empty()) tables_.pop_back();
        BlockEdge();
        break;
      case Kind::Row: out_.EndBlock(); break;
      case Kind::Cell:
        if (!tables_.empty()) tables_.back().inCell = false;
        break;
      case Kind::Pre:
        --pre_;
        BlockEdge();
        break;
      case Kind::Annotation:
        if (--annotation_ == 0) out_.Attach(")");
        break;
      case Kind::Inline:
        if (frame.noteReference) out_.WrapSince(frame.position, "[", "]");
        break;
      default: break;
    }
  }

  TextOut& out_;
  std::vector<Frame> frames_;
  std::vector<TableState> tables_;
  int skip_ = 0;
  int pre_ = 0;
  int annotation_ = 0;
};

// ---- WordprocessingML -------------------------------------------------------

bool IsWord(std::string_view ns) { return ns == kWordMain || ns == kWordStrict; }

bool IsHeadingStyleName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = text::AsciiLower(c);
  if (lower == "title") return true;
  if (lower.starts_with("heading")) {
    std::string_view rest = std::string_view(lower).substr(7);
    if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    return rest.size() == 1 && rest[0] >= '1' && rest[0] <= '9';
  }
  return false;
}

class DocxWalk {
 public:
  DocxWalk(TextOut& out, const std::vector<std::string>* headingStyles, const DocxNotes* footnotes,
           const DocxNotes* endnotes)
      : out_(&out), headingStyles_(headingStyles), footnotes_(footnotes), endnotes_(endnotes) {}

  void Start(const XmlReader& r) {
    if (skip_ > 0) {
      ++skip_;
      return;
    }
    const std::string_view ns = r.Namespace(), name = r.Local();
    if (IsWord(ns)) {
      StartWord(r, ns, name);
    } else if ((ns == kWordDrawing || ns == kWordDrawingStrict) && name == "docPr") {
      if (!runHidden_) out_->Text(r.Attribute("descr"));
    } else if (ns == kVml && name == "shape") {
      if (!runHidden_) out_->Text(r.Attribute("alt"));
    } else if (ns == kCompatibility && name == "Fallback") {
      skip_ = 1;  // the same content again, for older readers
    }
  }

  void End(const XmlReader& r) {
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (!IsWord(r.Namespace())) return;
    const std::string_view name = r.Local();
    if (name == "p") {
      if (--paragraphs_ > 0 || InCell()) {
        out_->Text(" ");  // a paragraph in a cell or a text box goes on the line
      } else {
        out_->EndBlock();
        FlushNotes();
      }
    } else if (name == "r") {
      inRun_ = false;
      runHidden_ = false;
    } else if (name == "rPr") {
      runProperties_ = false;
    } else if (name == "t") {
      inText_ = false;
    } else if (name == "tbl") {
      if (!tables_.empty()) tables_.pop_back();
      out_->EndBlock();
      if (tables_.empty()) FlushNotes();
    } else if (name == "tr") {
      out_->EndBlock();
      if (tables_.size() == 1) FlushNotes();
    } else if (name == "tc") {
      if (!tables_.empty()) tables_.back().inCell = false;
    } else if (name == "rt" && rubySaved_) {
      out_ = std::exchange(rubySaved_, nullptr);
    } else if (name == "ruby") {
      const std::string annotation = ruby_.Take();
      if (!annotation.empty()) out_->Attach("(" + annotation + ")");
    }
  }

  void Text(const XmlReader& r) {
    if (skip_ == 0 && inText_ && !runHidden_) out_->Text(r.Text());
  }

  void SetOut(TextOut& out) { out_ = &out; }

 private:
  struct TableState {
    int cells = 0;
    bool inCell = false;
  };

  bool InCell() const { return !tables_.empty() && tables_.back().inCell; }

  void StartWord(const XmlReader& r, std::string_view ns, std::string_view name) {
    // Text that is not read: deleted, field codes, the note's own mark,
    // and properties, which hold no text.
    static const std::unordered_map<std::string_view, bool> skipped = [] {
      std::unordered_map<std::string_view, bool> m;
      for (std::string_view n : {"delText", "instrText", "delInstrText", "del", "moveFrom", "footnoteRef", "endnoteRef",
                                 "annotationRef", "sectPr", "tblPr", "tblGrid", "trPr", "tcPr", "sdtPr", "rubyPr",
                                 "fldData", "tblPrEx", "pPrChange", "rPrChange"})
        m.emplace(n, true);
      return m;
    }();
    if (skipped.count(name)) {
      skip_ = 1;
      return;
    }
    if (name == "p") {
      ++paragraphs_;
    } else if ((name == "pStyle" && IsHeading(r.Attribute("val", ns))) ||
               (name == "outlineLvl" && ParseInt(r.Attribute("val", ns), 9) < 9)) {
      if (paragraphs_ == 1 && !InCell()) {
        out_->EndBlock();
        out_->Gap();
      }
    } else if (name == "r") {
      inRun_ = true;
      runHidden_ = false;
    } else if (name == "rPr") {
      runProperties_ = inRun_;
    } else if (name == "vanish" || name == "webHidden") {
      if (runProperties_ && r.Attribute("val", ns) != "false" && r.Attribute("val", ns) != "0") runHidden_ = true;
    } else if (name == "t") {
      inText_ = true;
    } else if (inRun_ && !runProperties_ && !runHidden_) {
      if (name == "tab") {
        out_->Attach("\t");
      } else if (name == "br" || name == "cr") {
        InCell() ? out_->Text(" ") : out_->LineBreak();
      } else if (name == "noBreakHyphen") {
        out_->Attach("-");
      } else if (name == "footnoteReference" || name == "endnoteReference") {
        const DocxNotes* notes = name == "footnoteReference" ? footnotes_ : endnotes_;
        // Built piecewise: "[" + a temporary trips a false overlap warning of GCC 12.
        std::string mark(1, '[');
        mark += std::to_string(++noteCount_);
        mark += ']';
        out_->Attach(mark);
        if (notes) {
          const auto it = notes->find(std::string(r.Attribute("id", ns)));
          if (it != notes->end()) pendingNotes_.push_back(mark + " " + it->second);
        }
      }
    }
    if (name == "tbl") {
      InCell() ? out_->Text(" ") : out_->EndBlock();
      tables_.push_back({});
    } else if (name == "tr") {
      out_->EndBlock();
      if (!tables_.empty()) tables_.back() = {};
    } else if (name == "tc" && !tables_.empty()) {
      if (tables_.back().cells++ > 0) out_->Attach(kCellSeparator);
      tables_.back().inCell = true;
    } else if (name == "rt" && !rubySaved_) {
      rubySaved_ = std::exchange(out_, &ruby_);
    }
  }

  bool IsHeading(std::string_view style) const {
    if (IsHeadingStyleName(style)) return true;
    return headingStyles_ && std::find(headingStyles_->begin(), headingStyles_->end(), style) != headingStyles_->end();
  }

  void FlushNotes() {
    for (const std::string& note : pendingNotes_) {
      out_->Text(note);
      out_->EndBlock();
    }
    pendingNotes_.clear();
  }

  TextOut* out_;
  const std::vector<std::string>* headingStyles_;
  const DocxNotes* footnotes_;
  const DocxNotes* endnotes_;
  int skip_ = 0;
  int paragraphs_ = 0;
  bool inRun_ = false;
  bool runProperties_ = false;
  bool runHidden_ = false;
  bool inText_ = false;
  int noteCount_ = 0;
  std::vector<std::string> pendingNotes_;
  std::vector<TableState> tables_;
  InlineCollector ruby_{64 * 1024};
  TextOut* rubySaved_ = nullptr;
};

}  // namespace

void WalkXhtml(XmlReader& reader, TextOut& out) { XhtmlWalk(out).Run(reader); }

void WalkDocx(XmlReader& reader, TextOut& out, const std::vector<std::string>& headingStyles,
              const DocxNotes& footnotes, const DocxNotes& endnotes) {
  DocxWalk walk(out, &headingStyles, &footnotes, &endnotes);
  for (;;) {
    switch (reader.Next()) {
      case XmlReader::Event::Start: walk.Start(reader); break;
      case XmlReader::Event::End: walk.End(reader); break;
      case XmlReader::Event::Text: walk.Text(reader); break;
      case XmlReader::Event::Done: out.EndBlock(); return;
    }
  }
}

std::vector<std::string> ReadDocxHeadingStyles(XmlReader& reader) {
  std::vector<std::string> ids;
  std::string id;
  bool heading = false;
  for (;;) {
    const XmlReader::Event event = reader.Next();
    if (event == XmlReader::Event::Done) return ids;
    if (!IsWord(reader.Namespace())) continue;
    const std::string_view name = reader.Local();
    if (event == XmlReader::Event::Start) {
      const std::string_view val = reader.Attribute("val", reader.Namespace());
      if (name == "style") {
        id.assign(reader.Attribute("styleId", reader.Namespace()));
        heading = false;
      } else if (name == "name") {
        heading = heading || IsHeadingStyleName(val);
      } else if (name == "outlineLvl") {
        heading = heading || ParseInt(val, 9) < 9;
      }
    } else if (event == XmlReader::Event::End && name == "style") {
      if (heading && !id.empty() && ids.size() < 10000) ids.push_back(id);
    }
  }
}

void ReadDocxNotes(XmlReader& reader, DocxNotes& notes, std::size_t limit) {
  std::size_t total = 0;
  InlineCollector collector(limit);
  DocxWalk walk(collector, nullptr, nullptr, nullptr);
  std::string id;
  int depth = 0;    // inside a note
  int skipped = 0;  // inside a separator
  for (;;) {
    const XmlReader::Event event = reader.Next();
    if (event == XmlReader::Event::Done) return;
    const bool note = IsWord(reader.Namespace()) && (reader.Local() == "footnote" || reader.Local() == "endnote");
    if (skipped > 0) {
      skipped += event == XmlReader::Event::Start ? 1 : event == XmlReader::Event::End ? -1 : 0;
      continue;
    }
    if (depth == 0) {
      if (event == XmlReader::Event::Start && note) {
        const std::string_view type = reader.Attribute("type", reader.Namespace());
        if (!type.empty() && type != "normal") {
          skipped = 1;
          continue;
        }
        id.assign(reader.Attribute("id", reader.Namespace()));
        depth = 1;
      }
      continue;
    }
    switch (event) {
      case XmlReader::Event::Start:
        ++depth;
        walk.Start(reader);
        break;
      case XmlReader::Event::End:
        if (--depth == 0) {
          std::string text = collector.Take();
          total += text.size();
          if (total > limit) throw BookFailure(BookProblem::TooMuchText);
          notes[id] = std::move(text);
        } else {
          walk.End(reader);
        }
        break;
      case XmlReader::Event::Text: walk.Text(reader); break;
      case XmlReader::Event::Done: break;
    }
  }
}

}  // namespace dockline::convert
