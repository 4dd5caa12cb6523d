// The XML reader on Linux: libxml2's xmlTextReader, fed through a read
// callback so that a document is never held whole.
#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <exception>
#include <mutex>

#include "convert/xml_reader.h"

namespace dockline::convert {
namespace {

// No DTD loaded, no entity substituted, no network; no messages on stderr.
// (XML_PARSE_HUGE stays off: libxml2's own limits on names and text apply.)
constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;

std::string_view View(const xmlChar* s) { return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view(); }

void IgnoreError(void*, xmlErrorPtr) {}

class Libxml2Reader : public XmlReader {
 public:
  explicit Libxml2Reader(ByteSource& source) : source_(source) {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
    reader_ = xmlReaderForIO(&Libxml2Reader::ReadCallback, nullptr, this, nullptr, "UTF-8", kOptions);
    if (!reader_) throw std::bad_alloc();
    xmlTextReaderSetStructuredErrorHandler(reader_, &IgnoreError, nullptr);
  }
  ~Libxml2Reader() override { xmlFreeTextReader(reader_); }

  Event Next() override {
    if (pendingEnd_) {
      pendingEnd_ = false;
      return Event::End;
    }
    for (;;) {
      const int rc = xmlTextReaderRead(reader_);
      // A failure of our own source comes first: a stop is not a bad document.
      if (failure_) std::rethrow_exception(failure_);
      if (rc == 0) return Event::Done;
      if (rc < 0) throw XmlMalformed();
      switch (xmlTextReaderNodeType(reader_)) {
        case XML_READER_TYPE_ELEMENT: {
          if (xmlTextReaderDepth(reader_) >= kMaxElementDepth) throw XmlMalformed();
          Name();
          attributes_.clear();
          const bool empty = xmlTextReaderIsEmptyElement(reader_) == 1;
          while (xmlTextReaderMoveToNextAttribute(reader_) == 1) {
            if (xmlTextReaderIsNamespaceDecl(reader_) == 1) continue;
            attributes_.push_back({std::string(View(xmlTextReaderConstNamespaceUri(reader_))),
                                   std::string(View(xmlTextReaderConstLocalName(reader_))),
                                   std::string(View(xmlTextReaderConstValue(reader_)))});
          }
          xmlTextReaderMoveToElement(reader_);
          pendingEnd_ = empty;
          return Event::Start;
        }
        case XML_READER_TYPE_END_ELEMENT:
          Name();
          return Event::End;
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_CDATA:
        case XML_READER_TYPE_WHITESPACE:
        case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
          text_.assign(View(xmlTextReaderConstValue(reader_)));
          return Event::Text;
        case XML_READER_TYPE_ENTITY_REFERENCE:
          // Only a declared entity comes as a reference, and the cleaner
          // leaves none declared.
          throw XmlMalformed();
        default: break;
      }
    }
  }

 private:
  void Name() {
    local_.assign(View(xmlTextReaderConstLocalName(reader_)));
    ns_.assign(View(xmlTextReaderConstNamespaceUri(reader_)));
  }

  // No exception may cross libxml2's C frames: it is kept and thrown again
  // once the reader has returned.
  static int ReadCallback(void* context, char* buffer, int size) {
    auto* self = static_cast<Libxml2Reader*>(context);
    if (self->failure_) return -1;
    try {
      return static_cast<int>(self->source_.Read(reinterpret_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(size)));
    } catch (...) {
      self->failure_ = std::current_exception();
      return -1;
    }
  }

  ByteSource& source_;
  xmlTextReaderPtr reader_ = nullptr;
  std::exception_ptr failure_;
  bool pendingEnd_ = false;
};

}  // namespace

std::unique_ptr<XmlReader> OpenXmlReader(ByteSource& source) { return std::make_unique<Libxml2Reader>(source); }

}  // namespace dockline::convert
