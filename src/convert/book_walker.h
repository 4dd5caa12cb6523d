#pragma once
// From a document's XML events to the book's text: the rules of XHTML
// content documents (EPUB) and of WordprocessingML (.docx).

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "convert/book_writer.h"
#include "convert/xml_reader.h"

namespace dockline::convert {

// An EPUB chapter. Blocks (p, div, h1…h6, li, blockquote, pre …) end
// lines; a heading has an empty line before it; a table row is one line,
// its cells joined by " | "; ordered list items are numbered, others get
// "· "; a picture leaves its alt text; ruby keeps its annotation in
// parentheses after its base (rp dropped); a note reference is bracketed,
// "[1]"; the head, scripts, styles, SVG, whatever is hidden (hidden,
// aria-hidden) and a note's way back (doc-backlink) are left out.
void WalkXhtml(XmlReader& reader, TextOut& out);

// The notes of a Word document, by id: text on one line each.
using DocxNotes = std::unordered_map<std::string, std::string>;

// The style ids of a Word document that are headings ("heading 1"…, Title,
// or an outline level), read from word/styles.xml.
std::vector<std::string> ReadDocxHeadingStyles(XmlReader& reader);

// footnotes.xml or endnotes.xml; the separators Word keeps there are left
// out. At most `limit` bytes of text (TooMuchText past it).
void ReadDocxNotes(XmlReader& reader, DocxNotes& notes, std::size_t limit);

// word/document.xml. Paragraphs end lines, headings (by their style) have an
// empty line before them, runs give their text (w:t, w:tab, w:br, w:cr;
// deleted, hidden and field-code text left out), a table row is one line of
// cells joined by " | ", a drawing leaves its description, ruby its base
// then "(annotation)". A note reference becomes "[n]" (n counting from 1 in
// the order they come) and its text follows the paragraph (or the table
// row) on a line of its own, "[n] text".
void WalkDocx(XmlReader& reader, TextOut& out, const std::vector<std::string>& headingStyles,
              const DocxNotes& footnotes, const DocxNotes& endnotes);

}  // namespace dockline::convert
