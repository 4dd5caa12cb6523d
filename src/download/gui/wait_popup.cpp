#include "download/gui/wait_popup.h"

#include <utility>

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
  textHeight_ = client.bottom - client.top;
  ::MoveWindow(Handle(), ownerRect.left + kOffsetX, ownerRect.top + kOffsetY, client.right - client.left,
               client.bottom - client.top, FALSE);
  ui::SetWindowTextUtf8(Handle(), text_);
  ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  shown_ = std::chrono::steady_clock::now();
}

void WaitPopup::SetText(std::string_view utf8) {
  text_ = std::string(utf8);
  // Also the window's text, which nothing draws: screen readers and the probe read it there.
  ui::SetWindowTextUtf8(Handle(), text_);
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

void WaitPopup::OfferCancel(std::function<void()> cancel) {
  const HWND button = Item(IDCANCEL);
  if (!Handle() || !button) return;
  cancel_ = std::move(cancel);
  // Grown downwards to hold the button and a margin of a third of its height under it.
  RECT buttonRect{};
  ::GetWindowRect(button, &buttonRect);
  ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&buttonRect), 2);
  RECT window{}, client{};
  ::GetWindowRect(Handle(), &window);
  ::GetClientRect(Handle(), &client);
  const int grow = buttonRect.bottom + (buttonRect.bottom - buttonRect.top) / 3 - client.bottom;
  ::SetWindowPos(Handle(), nullptr, 0, 0, window.right - window.left, window.bottom - window.top + grow,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (!font_) {
    ui::ClientDC dc(Handle());
    font_ = ui::CreatePointFont(120, L"Arial", dc.Get());
  }
  ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  ::ShowWindow(button, SW_SHOWNOACTIVATE);
}

void WaitPopup::OnCancel() {
  if (!cancel_) return;
  ::EnableWindow(Item(IDCANCEL), FALSE);
  std::exchange(cancel_, nullptr)();
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
  client.bottom = client.top + textHeight_;
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
