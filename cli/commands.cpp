#include "cli/commands.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide.h"
#endif

namespace dockline::cli {
namespace {

std::vector<Command>& Table() {
  static std::vector<Command> table;
  return table;
}

void Write(FILE* stream, const std::string& utf8) {
#ifdef _WIN32
  HANDLE h = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode)) {
    const std::wstring w = platform::Wide(utf8);
    DWORD written = 0;
    WriteConsoleW(h, w.data(), static_cast<DWORD>(w.size()), &written, nullptr);
    return;
  }
#endif
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

}  // namespace

Registrar::Registrar(Command c) { Table().push_back(c); }

void Out(const std::string& utf8) { Write(stdout, utf8); }
void Err(const std::string& utf8) { Write(stderr, utf8); }

int Run(const Args& args) {
  if (!args.empty()) {
    for (const auto& c : Table())
      if (args[0] == c.name) return c.run(Args(args.begin() + 1, args.end()));
    Err("dockline-cli: unknown command '" + args[0] + "'\n");
  }
  std::string usage = "usage:\n";
  for (const auto& c : Table()) usage += std::string("  dockline-cli ") + c.usage + "\n";
  Err(usage);
  return 2;
}

}  // namespace dockline::cli
