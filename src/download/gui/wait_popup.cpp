#include "download/gui/wait_popup.h"

#include "resource.h"
#include "ui/drawing.h"

namespace dockline::download {

const ui::Handler<WaitPopup> WaitPopup::kMessages[] = {
    {WM_PAINT, &WaitPopup::OnPaint},
    {WM_TIMER, &WaitPopup::OnTimer},
};

bool WaitPopup::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Dialog::OnMessage(m, result);
}

WaitPopup::WaitPopup(HWND owner) : Dialog(IDD_WAIT_POPUP) {
  SetBackground(kBackground);
  text_ = kReadingText;
  if (!Create(owner)) return;
  RECT ownerRect{};
  if (owner) ::GetWindowRect(owner, &ownerRect);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::MoveWindow(Handle(), ownerRect.left + kOffsetX, ownerRect.top + kOffsetY, client.right - client.left,
               client.bottom - client.top, FALSE);
  ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  shown_ = std::chrono::steady_clock::now();
}

void WaitPopup::SetText(std::string_view utf8) {
  text_ = std::string(utf8);
  Invalidate(true);  // the background goes too: a shorter text leaves nothing of the old one
}

void WaitPopup::Hide() {
  if (Handle()) ::ShowWindow(Handle(), SW_HIDE);
}

void WaitPopup::Dismiss(std::chrono::milliseconds minimum) {
  if (!Handle()) return;
  const auto up = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - shown_);
  if (up >= minimum || !::SetTimer(Handle(), kDismissTimer, static_cast<UINT>((minimum - up).count()), nullptr))
    DestroyOwnedWindow();
}

LRESULT WaitPopup::OnTimer(const ui::Message& m) {
  if (m.wParam != kDismissTimer) return Default(m);
  ::KillTimer(Handle(), kDismissTimer);
  DestroyOwnedWindow();
  return 0;
}

LRESULT WaitPopup::OnPaint(const ui::Message&) {
  ui::PaintDC paint(Handle());
  const HDC dc = paint.Get();
  RECT client{};
  ::GetClientRect(Handle(), &client);
  if (!font_) font_ = ui::CreatePointFont(120, L"Arial", dc);
  ui::SelectGuard fontSel(dc, font_.Get());
  ui::SelectGuard penSel(dc, ::GetStockObject(BLACK_PEN));
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const SIZE size = ui::TextExtent(dc, text_);
  // Centred, and 10 pixels right of the middle.
  const int x = (client.left + client.right) / 2 - size.cx / 2 + 10;
  const int y = (client.top + client.bottom) / 2 - size.cy / 2;
  ui::DrawTextAt(dc, x, y, text_);
  ::SetBkMode(dc, oldMode);
  return 0;
}

}  // namespace dockline::download
