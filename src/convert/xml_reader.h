#pragma once
// One small pull interface over the platform's XML reader (XmlLite on
// Windows, libxml2's xmlReader on Linux) and over our own tolerant scan for
// documents that are not well-formed: start tags with their attributes, end
// tags, text. Names come as local name and namespace URI, resolved.
//
// The readers are given what MarkupCleaner makes: UTF-8 without a document
// type declaration, so no DTD is ever read and no entity is ever expanded;
// the platform readers are set up to refuse both all the same, and never
// to open anything but the bytes given.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/book_failure.h"

namespace dockline::convert {

inline constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

// Deeper elements than this make a document ill-formed for us: the platform
// readers refuse them, the tolerant scan flattens them.
inline constexpr int kMaxElementDepth = 256;

struct XmlAttribute {
  std::string ns;
  std::string local;
  std::string value;
};

// Thrown when the document is not well-formed XML; the caller may read it
// again with the tolerant scan.
class XmlMalformed : public std::exception {
 public:
  const char* what() const noexcept override { return "not well-formed XML"; }
};

class XmlReader {
 public:
  enum class Event { Start, End, Text, Done };
  virtual ~XmlReader() = default;

  // The next event. An empty element gives Start then End. Throws
  // XmlMalformed, or the source's BookFailure.
  virtual Event Next() = 0;

  // Of the last Start or End.
  std::string_view Local() const { return local_; }
  std::string_view Namespace() const { return ns_; }
  // Of the last Start.
  const std::vector<XmlAttribute>& Attributes() const { return attributes_; }
  std::string_view Attribute(std::string_view local, std::string_view ns = {}) const;
  bool HasAttribute(std::string_view local, std::string_view ns = {}) const;
  // Of the last Text: characters, with CDATA sections and references resolved.
  std::string_view Text() const { return text_; }

 protected:
  std::string local_;
  std::string ns_;
  std::vector<XmlAttribute> attributes_;
  std::string text_;
};

// The platform's reader over `source` (cleaned).
std::unique_ptr<XmlReader> OpenXmlReader(ByteSource& source);
// Our own scan: takes anything, never throws XmlMalformed. Unclosed
// elements are closed where an enclosing one ends, stray end tags are
// dropped, HTML's empty elements (br, img …) need no end.
std::unique_ptr<XmlReader> OpenTolerantReader(ByteSource& source);

}  // namespace dockline::convert
