// dockline-cli: the program's portable core from a command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

#ifdef _WIN32
#include "platform/win32/wide.h"
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(dockline::platform::Narrow(argv[i]));
  return dockline::cli::Run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return dockline::cli::Run(args);
}
#endif
