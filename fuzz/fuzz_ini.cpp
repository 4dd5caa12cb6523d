// The settings-file reader and writer on arbitrary bytes: whatever the file
// holds, reading and writing it back must give the same bytes, and a value
// that was set must read back unchanged, after a fresh parse too, without
// disturbing the other keys of its section.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "download/category_table.h"
#include "download/ini_file.h"
#include "text/encoding.h"

namespace {

using dockline::download::CategoryTable;
using dockline::download::IniFile;

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string Trimmed(std::string s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && blank(s[i])) ++i;
  return s.substr(i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int mode = in.ConsumeIntegralInRange(0, 3);
  std::string section = mode == 0 ? std::string("DOWNPATH") : in.ConsumeRandomLengthString(40);
  std::string key = mode == 0 ? std::string(CategoryTable::label(in.ConsumeIntegralInRange(0, 8)))
                              : in.ConsumeRandomLengthString(40);
  const std::string value = in.ConsumeRandomLengthString(400);
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  IniFile f = IniFile::Parse(bytes);
  Check(f.Serialize() == bytes);

  // Sometimes aim at a key the file already has, so that replacing is tried.
  const std::vector<std::string> names = f.KeyNames(section);
  if (mode == 3 && !names.empty()) key = names[value.size() % names.size()];
  std::vector<std::optional<std::string>> before;
  for (const std::string& n : names) before.push_back(f.Get(section, n));

  if (!f.Set(section, key, value)) {
    Check(f.Serialize() == bytes);  // a refused change changes nothing
    return 0;
  }
  Check(f.Get(section, key) == value);
  const std::string written = f.Serialize();
  const IniFile again = IniFile::Parse(written);
  Check(again.Serialize() == written);
  Check(again.encoding() == f.encoding());
  Check(again.Get(section, key) == value);
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (dockline::text::EqualsIgnoreAsciiCase(names[i], Trimmed(key))) continue;
    Check(again.Get(section, names[i]) == before[i]);
  }
  return 0;
}
