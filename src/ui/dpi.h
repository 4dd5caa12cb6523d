#pragma once
// The skin is a set of pictures drawn for a 96-dpi screen, and the templates'
// controls were placed to fit them. Windows 10 and 11 scale a DPI-unaware
// program as a whole, so it sees 96 dpi there; Windows 7 with large fonts and
// Wine do not, and the dialog manager grows every template with the screen's
// resolution while the pictures keep their size. These helpers put dialogs
// and fonts back to their 96-dpi pixel sizes on such screens.
#include <windows.h>

#include "ui/handles.h"

namespace dockline::ui {

// The resolution the skin and the templates were laid out for.
constexpr int kLayoutDpi = 96;

// The vertical resolution the program sees on the screen.
int ScreenDpi();

// Dialog base units of `font` as the dialog manager measures them: the
// average width of the Latin letters, and the character height.
SIZE DialogBaseUnits(HFONT font);

// A length the dialog manager made from dialog units with base unit
// `fromBase` (per `unitsPerBase` dialog units: 4 across, 8 down), made again
// with `toBase`. While a base unit is at least as large as the dialog units
// it spans, the dialog unit is recovered exactly, so the result is what the
// dialog manager would have made with `toBase` itself.
int RemapDialogLength(int pixels, int fromBase, int toBase, int unitsPerBase);

// A stock font (SYSTEM_FONT, a DC's default) at its 96-dpi pixel height, when
// the screen is not at the layout resolution; otherwise empty: the stock font
// itself is right.
Font LayoutStockFont(int stockFont);

// When the screen is not at the layout resolution, lays the freshly created
// `dialog` out as at 96 dpi: its own size and every control's rectangle, and
// a font of the template font's 96-dpi pixel height for it and its controls.
// Answers that font, which the caller must keep while the dialog lives; an
// empty font means that nothing was changed.
Font LayOutAtLayoutDpi(HWND dialog);

}  // namespace dockline::ui
