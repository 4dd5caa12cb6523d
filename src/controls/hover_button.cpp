#include "controls/hover_button.h"

#include "controls/bitmap_button.h"

namespace dockline::controls {

const ui::Handler<HoverButton> HoverButton::kMessages[] = {
    {WM_MOUSEMOVE, &HoverButton::OnMouseMove},
    {WM_MOUSEHOVER, &HoverButton::OnMouseHover},
    {WM_MOUSELEAVE, &HoverButton::OnMouseLeave},
    {ui::Reflected(WM_DRAWITEM), &HoverButton::OnDrawItem},
};

bool HoverButton::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

void HoverButton::OnAttached() { MakeOwnerDraw(Handle()); }

LRESULT HoverButton::OnMouseMove(const ui::Message& m) {
  tracking_.OnMouseMove(Handle());
  return Default(m);
}

LRESULT HoverButton::OnMouseHover(const ui::Message&) {
  tracking_.OnHover();
  Invalidate(true);
  return 0;
}

LRESULT HoverButton::OnMouseLeave(const ui::Message&) {
  tracking_.OnLeave();
  Invalidate(eraseOnLeave_);
  return 0;
}

LRESULT HoverButton::OnDrawItem(const ui::Message& m) {
  const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam);
  Draw(dis->hDC, dis->rcItem, dis->itemState);
  return TRUE;
}

}  // namespace dockline::controls
