// dockline-cli: the program's portable core from a command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "dockline_version.h"

namespace {

int Main(const std::vector<std::string>& args) {
  if (args.size() == 1 && (args[0] == "--version" || args[0] == "-V")) {
    dockline::cli::Out("dockline-cli " DOCKLINE_VERSION_STR "\n");
    return 0;
  }
  return dockline::cli::Run(args);
}

}  // namespace

#ifdef _WIN32
#include "platform/win32/wide.h"
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(dockline::platform::Narrow(argv[i]));
  return Main(args);
}
#else
int main(int argc, char** argv) {
  return Main(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
