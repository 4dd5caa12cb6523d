#pragma once
// Resources of the running program, by number (res/resource.h). Each loader
// answers an owned handle, empty when the resource does not exist.
#include <windows.h>

#include <string>

#include "ui/handles.h"

namespace dockline::ui {

Bitmap LoadBitmapResource(int id);
// At the cursor's own size.
Cursor LoadCursorResource(int id);
// size 0: the system's large icon size.
Icon LoadIconResource(int id, int size = 0);
// Empty when the string does not exist.
std::string LoadStringResource(int id);

// Width and height of a bitmap; {0, 0} for none.
SIZE BitmapSize(HBITMAP bitmap);

}  // namespace dockline::ui
