#pragma once
// The common ground of the skinned push buttons: owner-drawn (the style is
// added when the button is attached), hover tracking, and the reflected
// draw request handed to Draw. What differs is the drawing itself and
// whether the leave repaint erases the background first.
#include <windows.h>

#include "controls/hover_tracking.h"
#include "ui/window.h"

namespace dockline::controls {

class HoverButton : public ui::Window {
 public:
  bool Hover() const { return tracking_.Hover(); }

  // The owner-draw routine, on any DC.
  virtual void Draw(HDC dc, const RECT& item, UINT itemState) = 0;

 protected:
  explicit HoverButton(bool eraseOnLeave) : eraseOnLeave_(eraseOnLeave) {}
  void OnAttached() override;
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnMouseMove(const ui::Message& m);
  LRESULT OnMouseHover(const ui::Message& m);
  LRESULT OnMouseLeave(const ui::Message& m);
  LRESULT OnDrawItem(const ui::Message& m);
  static const ui::Handler<HoverButton> kMessages[];

  HoverTracking tracking_;
  bool eraseOnLeave_;
};

}  // namespace dockline::controls
