#include "controls/title_strip.h"

#include <windowsx.h>

#include "ui/drawing.h"
#include "ui/resources.h"

namespace dockline::controls {
namespace {
constexpr wchar_t kClassName[] = L"DocklineTitleStrip";
}

const ui::Handler<TitleStrip> TitleStrip::kMessages[] = {
    {WM_PAINT, &TitleStrip::OnPaint},
    {WM_PRINTCLIENT, &TitleStrip::OnPrintClient},
    {WM_ERASEBKGND, &TitleStrip::OnEraseBackground},
    {WM_MOUSEMOVE, &TitleStrip::OnMouseMove},
    {WM_MOUSELEAVE, &TitleStrip::OnMouseLeave},
    {WM_LBUTTONDOWN, &TitleStrip::OnLeftButtonDown},
};

bool TitleStrip::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

bool TitleStrip::Create(HWND parent, const RECT& rect, int picture, std::span<const TitleSpot> spots) {
  picture_ = ui::LoadBitmapResource(picture);
  spots_.clear();
  for (const TitleSpot& s : spots) spots_.push_back({s, s.hoverImage ? ui::LoadBitmapResource(s.hoverImage) : ui::Bitmap()});
  ui::RegisterWindowClass(kClassName, 0);
  return Window::Create(kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, rect, parent);
}

int TitleStrip::HitTest(POINT p) const {
  for (std::size_t i = 0; i < spots_.size(); ++i) {
    const RECT& r = spots_[i].spot.rect;
    if (r.left < p.x && p.x < r.right && r.top < p.y && p.y < r.bottom) return static_cast<int>(i);
  }
  return -1;
}

LRESULT TitleStrip::OnEraseBackground(const ui::Message&) { return TRUE; }  // the picture covers it all

LRESULT TitleStrip::OnPaint(const ui::Message&) {
  ui::PaintDC dc(Handle());
  Paint(dc.Get());
  return 0;
}

LRESULT TitleStrip::OnPrintClient(const ui::Message& m) {
  Paint(reinterpret_cast<HDC>(m.wParam));
  return 0;
}

void TitleStrip::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  if (!ui::DrawBitmap(dc, 0, 0, client.right, client.bottom, picture_.Get())) {
    ui::FillSolidRect(dc, client, ::GetSysColor(COLOR_ACTIVECAPTION));
  }
  if (hovered_ < 0) return;
  const Spot& s = spots_[static_cast<std::size_t>(hovered_)];
  // The image is cut to the spot's own rectangle.
  ui::DrawBitmap(dc, s.spot.rect.left, s.spot.rect.top, s.spot.rect.right - s.spot.rect.left,
                 s.spot.rect.bottom - s.spot.rect.top, s.hover.Get());
}

void TitleStrip::InvalidateSpot(int spot) {
  if (spot < 0) return;
  const RECT& r = spots_[static_cast<std::size_t>(spot)].spot.rect;
  ::InvalidateRect(Handle(), &r, FALSE);
}

void TitleStrip::SetHovered(int spot) {
  if (spot == hovered_) return;
  InvalidateSpot(hovered_);
  hovered_ = spot;
  InvalidateSpot(hovered_);
}

LRESULT TitleStrip::OnMouseMove(const ui::Message& m) {
  if (!tracking_) {
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Handle(), 0};
    tracking_ = ::TrackMouseEvent(&tme) != FALSE;
  }
  SetHovered(HitTest({GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)}));
  return 0;
}

LRESULT TitleStrip::OnMouseLeave(const ui::Message&) {
  tracking_ = false;
  SetHovered(-1);
  return 0;
}

LRESULT TitleStrip::OnLeftButtonDown(const ui::Message& m) {
  const POINT p{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
  HWND parent = ::GetParent(Handle());
  const int spot = HitTest(p);
  if (spot >= 0 && spots_[static_cast<std::size_t>(spot)].spot.command != 0 && parent) {
    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(spots_[static_cast<std::size_t>(spot)].spot.command, 0), 0);
  }
  // Any press on the strip drags the window, as a title bar would. The
  // command may have closed it; then there is nothing left to drag.
  if (parent && ::IsWindow(parent)) {
    POINT screen = p;
    ::ClientToScreen(Handle(), &screen);
    ::PostMessageW(parent, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
  }
  return 0;
}

}  // namespace dockline::controls
