#pragma once
// A settings file in the layout of Windows profile files, read and written
// by the same rules as the system's profile functions but in an encoding of
// our choosing rather than the system code page:
//   - "[name]" opens a section; "name=value" is a key; a line whose first
//     non-blank character is ';' is a comment; a line without '=' is a key
//     without a value;
//   - section and key names match without regard to ASCII case, the first
//     match wins, blanks around names and values are dropped, and one pair
//     of double quotes around a value is dropped on reading;
//   - lines end in LF or CRLF.
// The text is GBK unless it starts with a byte-order mark (UTF-8, UTF-16 LE
// or BE), as a user who re-saved the file in an editor may have left it;
// writing keeps the encoding and its mark.
//
// The file is held as its original lines: what a change does not touch is
// written back byte for byte, unknown bytes included. Lines this class
// writes end in CRLF.
//
// Names and values cross this interface as UTF-8.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dockline::download {

enum class IniEncoding { Gbk, Utf8, Utf16Le, Utf16Be };

class IniFile {
 public:
  IniFile() = default;  // an empty GBK file
  static IniFile Parse(std::string_view bytes);
  // The file's bytes; Parse(bytes).Serialize() == bytes.
  std::string Serialize() const;

  IniEncoding encoding() const { return encoding_; }
  // False for a file that cannot be written back without damage, namely a
  // UTF-16 file with an odd number of bytes: every line after the stray
  // byte would be shifted.
  bool writable() const { return writable_; }

  // The value of a key of a section; std::nullopt when the section or key
  // is missing or the key has no '='.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // The names of the keys of a section, in file order (empty when missing).
  std::vector<std::string> KeyNames(std::string_view section) const;

  // Sets a key, adding it at the end of its section, or a new section at
  // the end of the file, as needed. A value with blanks at either end, or
  // one that is itself wrapped in double quotes, is written inside a pair
  // of quotes so that reading gives it back unchanged.
  // Refused (false, nothing changed) when the file is not writable, or a
  // text would not survive the trip: a line break or NUL anywhere, an empty
  // name, a section name with ']', a key name with '=' or starting with '['
  // or ';', or a character the file's encoding cannot hold.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

 private:
  enum class Kind { Blank, Comment, Section, Key, Bare };
  struct Line {
    std::string raw;  // the line's bytes without its end
    std::string end;  // its end as it was: CRLF, LF, or nothing for the last line
    Kind kind = Kind::Blank;
    std::string name;   // UTF-8, trimmed
    std::string value;  // UTF-8, trimmed and unquoted (keys only)
  };

  void Classify(Line& line) const;
  std::optional<std::string> Encode(std::string_view utf8) const;
  std::string LineEnd() const;
  // Index of the first header line of a section, or npos.
  std::size_t FindSection(std::string_view name) const;

  IniEncoding encoding_ = IniEncoding::Gbk;
  bool writable_ = true;
  std::string mark_;  // the byte-order mark as found
  std::vector<Line> lines_;
};

}  // namespace dockline::download
