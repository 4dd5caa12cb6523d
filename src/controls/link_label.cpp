#include "controls/link_label.h"

#include <algorithm>
#include <string>

#include "platform/win32/wide.h"
#include "ui/drawing.h"
#include "ui/resources.h"

namespace dockline::controls {

const ui::Handler<LinkLabel> LinkLabel::kMessages[] = {
    {WM_PAINT, &LinkLabel::OnPaint},
    {WM_PRINTCLIENT, &LinkLabel::OnPrintClient},
    {WM_MOUSEMOVE, &LinkLabel::OnMouseMove},
    {WM_LBUTTONDOWN, &LinkLabel::OnLeftButtonDown},
    {WM_CAPTURECHANGED, &LinkLabel::OnCaptureChanged},
};

bool LinkLabel::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

void LinkLabel::OnAttached() {
  const LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
  ::SetWindowLongPtrW(Handle(), GWL_STYLE, style | SS_NOTIFY);
  if (HWND parent = ::GetParent(Handle())) {
    const WPARAM font = static_cast<WPARAM>(::SendMessageW(parent, WM_GETFONT, 0, 0));
    ::SendMessageW(Handle(), WM_SETFONT, font, TRUE);
  }
}

bool LinkLabel::LoadBackgroundPicture(int bitmapId) {
  picture_ = ui::LoadBitmapResource(bitmapId);
  return static_cast<bool>(picture_);
}

bool LinkLabel::LoadHoverPointer(int cursorId) {
  hoverPointer_ = ui::LoadCursorResource(cursorId);
  return static_cast<bool>(hoverPointer_);
}

void LinkLabel::Paint(HDC dc) {
  ui::SavedDcState saved(dc);
  ::SetTextColor(dc, textColour_);
  ::SetBkMode(dc, TRANSPARENT);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0));
  if (font) ::SelectObject(dc, font);

  RECT rect{};
  ::GetClientRect(Handle(), &rect);
  if (framed_) {
    ui::SelectGuard penSel(dc, ::GetStockObject(DC_PEN));
    ui::SelectGuard boxSel(dc, ::GetStockObject(DC_BRUSH));
    ::SetDCPenColor(dc, frameColour_);
    ::SetDCBrushColor(dc, boxColour_);
    ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    ::InflateRect(&rect, -1, -1);
  }
  if (picture_) {
    ui::DrawBitmap(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, picture_.Get());
  }
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc, &tm);
  const int y = rect.top + (rect.bottom - tm.tmHeight - rect.top) / 2;
  const std::wstring text = platform::Wide(Text());
  if (!text.empty()) ::TextOutW(dc, kTextLeft, y, text.c_str(), static_cast<int>(text.size()));
}

LRESULT LinkLabel::OnPaint(const ui::Message&) {
  ui::PaintDC dc(Handle());
  Paint(dc.Get());
  return 0;
}

LRESULT LinkLabel::OnPrintClient(const ui::Message& m) {
  Paint(reinterpret_cast<HDC>(m.wParam));
  return 0;
}

void LinkLabel::RedrawNow() {
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void LinkLabel::Leave() {
  mouseInside_ = false;
  textColour_ = savedTextColour_;
  RedrawNow();
}

LRESULT LinkLabel::OnMouseMove(const ui::Message& m) {
  if (!hoverEffects_) return 0;
  if (mouseInside_) {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const POINT point{static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam))};
    if (::PtInRect(&client, point)) return Default(m);
    Leave();
    if (::GetCapture() == Handle()) ::ReleaseCapture();
    return 0;
  }
  mouseInside_ = true;
  savedTextColour_ = textColour_;
  textColour_ = kHoverText;
  RedrawNow();
  ::SetCapture(Handle());
  if (hoverPointer_) ::SetCursor(hoverPointer_.Get());
  return Default(m);
}

LRESULT LinkLabel::OnLeftButtonDown(const ui::Message& m) {
  RedrawNow();
  return Default(m);
}

// The capture can be taken away (another window captures, the program is
// switched away from) without a move outside ever arriving: the label must
// not stay blue then.
LRESULT LinkLabel::OnCaptureChanged(const ui::Message& m) {
  if (mouseInside_ && reinterpret_cast<HWND>(m.lParam) != Handle()) Leave();
  return Default(m);
}

}  // namespace dockline::controls
