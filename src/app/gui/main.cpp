// The program's entry: the application object runs start-up.
#include <windows.h>

#include "app/gui/application.h"
#include "ui/failure.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    dockline::app::Application app;
    return app.Run();
  } catch (...) {
    dockline::ui::RecordFailure("start-up");
    return 1;
  }
}
