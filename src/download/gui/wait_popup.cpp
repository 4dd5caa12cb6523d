#include "download/gui/wait_popup.h"

#include "resource.h"
#include "ui/drawing.h"

namespace dockline::download {

const ui::Handler<WaitPopup> WaitPopup::kMessages[] = {
    {WM_CTLCOLORDLG, &WaitPopup::OnControlColour},
    {WM_CTLCOLORBTN, &WaitPopup::OnControlColour},
    {WM_CTLCOLORSTATIC, &WaitPopup::OnControlColour},
    {WM_PAINT, &WaitPopup::OnPaint},
};

bool WaitPopup::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Dialog::OnMessage(m, result);
}

WaitPopup::WaitPopup(HWND owner) : Dialog(IDD_WAIT_POPUP), background_(::CreateSolidBrush(kBackground)) {
  if (!Create(owner)) return;
  ::ShowWindow(Handle(), SW_SHOW);
  RECT ownerRect{};
  if (owner) ::GetWindowRect(owner, &ownerRect);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::MoveWindow(Handle(), ownerRect.left + kOffsetX, ownerRect.top + kOffsetY, client.right - client.left,
               client.bottom - client.top, TRUE);
  SetText(kReadingText);
}

void WaitPopup::SetText(std::string_view utf8) {
  text_ = std::string(utf8);
  PaintNow();
}

void WaitPopup::Hide() {
  if (Handle()) ::ShowWindow(Handle(), SW_HIDE);
}

LRESULT WaitPopup::OnControlColour(const ui::Message& m) {
  ::SetBkMode(reinterpret_cast<HDC>(m.wParam), TRANSPARENT);
  return reinterpret_cast<LRESULT>(background_.Get());
}

LRESULT WaitPopup::OnPaint(const ui::Message&) {
  ui::PaintDC dc(Handle());
  PaintText(dc.Get());
  return 0;
}

// Painting without a paint message: the background goes first, so that a
// shorter new text does not leave the old one showing around it.
void WaitPopup::PaintNow() {
  if (!Handle() || !::IsWindowVisible(Handle())) return;
  ui::ClientDC dc(Handle());
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::FillRect(dc.Get(), &client, background_.Get());
  PaintText(dc.Get());
  ::GdiFlush();
}

void WaitPopup::PaintText(HDC dc) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  if (!font_) font_ = ui::CreatePointFont(120, L"Arial", dc);
  ui::SelectGuard fontSel(dc, font_.Get());
  ui::SelectGuard penSel(dc, ::GetStockObject(BLACK_PEN));
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const SIZE size = ui::TextExtent(dc, text_);
  const int x = (client.left + client.right) / 2 - size.cx / 2 + 10;
  const int y = (client.top + client.bottom) / 2 - size.cy / 2;
  ui::DrawTextAt(dc, x, y, text_);
  ::SetBkMode(dc, oldMode);
}

}  // namespace dockline::download
