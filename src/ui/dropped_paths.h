#pragma once
// Files dropped from the file manager onto a window that accepts them
// (DragAcceptFiles): WM_DROPFILES carries them in a block of the shell's.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace dockline::ui {

// The dropped paths in UTF-8, in the order the drop lists them; the block
// is released (DragFinish), so the message's handle is used up.
std::vector<std::string> TakeDroppedPaths(HDROP drop);

}  // namespace dockline::ui
