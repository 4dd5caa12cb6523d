#include "controls/bitmap_button.h"

#include "ui/drawing.h"
#include "ui/resources.h"

namespace dockline::controls {

void MakeOwnerDraw(HWND button) {
  if (!button) return;
  const LONG_PTR style = ::GetWindowLongPtrW(button, GWL_STYLE);
  ::SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
}

const ui::Handler<BitmapButton> BitmapButton::kMessages[] = {
    {ui::Reflected(WM_DRAWITEM), &BitmapButton::OnDrawItem},
};

bool BitmapButton::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

void BitmapButton::OnAttached() { MakeOwnerDraw(Handle()); }

bool BitmapButton::LoadBitmaps(int normal, int selected, int focused, int disabled) {
  auto load = [](int id) { return id ? ui::LoadBitmapResource(id) : ui::Bitmap(); };
  SetBitmaps(load(normal), load(selected), load(focused), load(disabled));
  return static_cast<bool>(normal_);
}

void BitmapButton::SetBitmaps(ui::Bitmap normal, ui::Bitmap selected, ui::Bitmap focused, ui::Bitmap disabled) {
  normal_ = std::move(normal);
  selected_ = std::move(selected);
  focused_ = std::move(focused);
  disabled_ = std::move(disabled);
  Invalidate(true);
}

void BitmapButton::SizeToContent() {
  const SIZE size = ui::BitmapSize(normal_.Get());
  if (Handle() && size.cx > 0) {
    ::SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

HBITMAP BitmapButton::ImageForState(UINT itemState) const {
  if ((itemState & ODS_SELECTED) && selected_) return selected_.Get();
  if ((itemState & ODS_FOCUS) && focused_) return focused_.Get();
  if ((itemState & ODS_DISABLED) && disabled_) return disabled_.Get();
  return normal_.Get();
}

LRESULT BitmapButton::OnDrawItem(const ui::Message& m) {
  const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam);
  HBITMAP image = ImageForState(dis->itemState);
  ui::DrawBitmap(dis->hDC, dis->rcItem.left, dis->rcItem.top, image);  // nothing loaded: nothing drawn
  return TRUE;
}

}  // namespace dockline::controls
