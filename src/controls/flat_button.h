#pragma once
// The command buttons of the main window and the download page: a thin frame
// around a vertical white-to-light-blue gradient whose shades shift while the
// mouse rests on the button and when it is pressed, focused or default, with
// the caption centred in the control's own font. Attached to existing dialog
// buttons; the dialog keeps receiving their clicks.
#include <windows.h>

#include "controls/hover_button.h"
#include "ui/window.h"

namespace dockline::controls {

class FlatButton : public HoverButton {
 public:
  static constexpr COLORREF kFrame = RGB(232, 223, 236);
  static constexpr int kShades = 64;

  // Shade i (0..63) of the gradient for the given flags.
  static COLORREF Shade(int i, bool hover, bool highlighted);

  FlatButton() : HoverButton(/*eraseOnLeave=*/false) {}

  // The owner-draw routine, on any DC.
  void Draw(HDC dc, const RECT& item, UINT itemState) override;

 protected:
  // Paints the gradient into the inner rectangle.
  virtual void DrawFace(HDC dc, const RECT& inner);
  // Called while the button is hovered or focused; draws nothing here.
  virtual void DrawHoverBorder(HDC dc, const RECT& inner);

 private:
  bool highlighted_ = false;  // pressed, focused or default, as last drawn
};

}  // namespace dockline::controls
