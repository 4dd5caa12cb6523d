#pragma once
#include <string>
#include <vector>

namespace dockline::cli {

using Args = std::vector<std::string>;  // UTF-8, the subcommand's own arguments

struct Command {
  const char* name;
  const char* usage;  // shown by "dockline-cli" without arguments
  int (*run)(const Args& args);
};

// Each command file registers its commands through a static Registrar.
struct Registrar {
  explicit Registrar(Command c);
};

int Run(const Args& args);

// UTF-8 text to stdout or stderr; on a Windows console it is written as
// UTF-16 so Chinese messages show whatever the console's code page.
void Out(const std::string& utf8);
void Err(const std::string& utf8);
// Whether stderr is a terminal (a console on Windows): progress lines go there.
bool ErrIsTerminal();
// One line from stdin without its line break; false at the end of input.
bool ReadLine(std::string& utf8);

}  // namespace dockline::cli
