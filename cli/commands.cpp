#include "cli/commands.h"

#include <cstdio>
#include <cstring>
#include <iostream>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide.h"
#else
#include <unistd.h>
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

bool ErrIsTerminal() {
#ifdef _WIN32
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
#else
  return ::isatty(2) != 0;
#endif
}

bool ReadLine(std::string& utf8) {
#ifdef _WIN32
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (in != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode)) {
    wchar_t buf[512];
    DWORD got = 0;
    if (!ReadConsoleW(in, buf, 511, &got, nullptr) || got == 0) return false;
    utf8 = platform::Narrow(std::wstring_view(buf, got));
    while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r')) utf8.pop_back();
    return true;
  }
#endif
  if (!std::getline(std::cin, utf8)) return false;
  if (!utf8.empty() && utf8.back() == '\r') utf8.pop_back();
  return true;
}

int Run(const Args& args) {
  if (!args.empty()) {
    for (const auto& c : Table())
      if (args[0] == c.name) return c.run(Args(args.begin() + 1, args.end()));
    if (args[0] != "--help" && args[0] != "-h") Err("dockline-cli: unknown command '" + args[0] + "'\n");
  }
  std::string usage = "usage:\n";
  for (const auto& c : Table()) usage += std::string("  dockline-cli ") + c.usage + "\n";
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    Out(usage);
    return 0;
  }
  Err(usage);
  return 2;
}

}  // namespace dockline::cli
