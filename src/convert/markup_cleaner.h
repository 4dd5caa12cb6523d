#pragma once
// What stands between an archive's document and an XML parser: the bytes
// turned into the UTF-8 every parser takes the same way, and the parts of
// XHTML that XML alone cannot read made into what it can.
//
// - UTF-16 (by its mark, or by "<" in two bytes) and GBK (declared as gbk,
//   gb2312 or gb18030) become UTF-8; the XML declaration goes, since it
//   would name the old encoding. Ill-formed UTF-8 and characters XML
//   forbids become U+FFFD; control characters XML forbids are dropped.
// - The document type declaration goes with its internal subset: nothing
//   is ever declared, so no entity can be expanded and nothing outside the
//   document can be named.
// - HTML's named references become numeric ones (&nbsp; → &#xA0;); a name
//   HTML does not know, or a bare '&', is kept as written text (&amp;).
//   Comments, CDATA sections and processing instructions are left alone.
// - White space before the root element goes: once the declaration and the
//   document type are gone it is all that is left there, and Wine's XmlLite
//   takes a document that begins with it for an empty one.

#include <cstdint>
#include <string>

#include "convert/book_failure.h"

namespace dockline::convert {

class MarkupCleaner : public ByteSource {
 public:
  explicit MarkupCleaner(ByteSource& source) : source_(source) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override;

 private:
  enum class Encoding { Unknown, Utf8, Utf16Le, Utf16Be, Gbk };
  enum class State { Text, Comment, CData, Instruction, Declaration, DocumentType };

  bool Decode();                    // more UTF-8 into text_; false at the end
  bool Ensure(std::size_t count);   // at least `count` bytes after pos_, unless the end comes first
  void Step();                      // some of text_ into out_
  void Reference();                 // text_[pos_] == '&'
  void Markup();                    // text_[pos_] == '<'
  bool CopyUntil(std::string_view end, bool keep);
  void SkipDocumentType();
  void SniffEncoding();
  void DecodeUtf8();
  void DecodeUtf16();
  void DecodeGbk();

  ByteSource& source_;
  Encoding encoding_ = Encoding::Unknown;
  State state_ = State::Text;
  std::string raw_;   // undecoded bytes, at most an incomplete character once decoded
  bool rawEnded_ = false;
  std::string text_;  // decoded UTF-8 not yet cleaned, from pos_
  std::size_t pos_ = 0;
  std::string out_;   // cleaned, not yet read, from outPos_
  std::size_t outPos_ = 0;
  int subsetDepth_ = 0;   // brackets of a document type declaration's internal subset
  char quote_ = 0;
  bool finished_ = false;
  bool prolog_ = true;  // before the root element
};

}  // namespace dockline::convert
