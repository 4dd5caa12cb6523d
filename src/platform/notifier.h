#pragma once
// How the core tells the user something: the program shows an application
// message box, the command-line tool prints to stderr, tests record the texts.
#include <string>
#include <string_view>

namespace dockline::platform {

class Notifier {
 public:
  virtual ~Notifier() = default;
  // An application message box with an OK button; returns when it is closed.
  virtual void ShowMessage(std::string_view utf8) = 0;
};

}  // namespace dockline::platform
