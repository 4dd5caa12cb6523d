#pragma once
// The multi-selection open-file dialog of the category selection: the
// category's filter, opened in the remembered folder, owned by `owner`.
#include <windows.h>

#include <string>

#include "download/category_selection.h"

namespace dockline::download {

FileChoice ChooseFiles(HWND owner, int category, const std::string& initialFolder);

}  // namespace dockline::download
