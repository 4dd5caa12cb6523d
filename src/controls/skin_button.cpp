#include "controls/skin_button.h"

#include <string>

#include "ui/drawing.h"
#include "ui/resources.h"

namespace dockline::controls {

const ui::Handler<SkinButton> SkinButton::kMessages[] = {
    {ui::Reflected(WM_COMMAND), BN_CLICKED, ui::kAny, &SkinButton::OnClicked},
};

bool SkinButton::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || HoverButton::OnMessage(m, result);
}

SkinButton::SkinButton(const SidebarHost* host)
    : HoverButton(/*eraseOnLeave=*/true), host_(host), hoverPen_(::CreatePen(PS_INSIDEFRAME, 2, RGB(255, 255, 255))) {}

bool SkinButton::Create(std::string_view caption, const RECT& rect, HWND parent, int id) {
  return CreateControl(L"BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, rect, parent, id);
}

void SkinButton::SetCaptionAndIcon(std::string_view caption, int bitmapId) {
  SetCaptionAndIcon(caption, bitmapId ? ui::LoadBitmapResource(bitmapId) : ui::Bitmap());
  hasIcon_ = bitmapId != 0;  // asked for, even when the resource does not exist
}

void SkinButton::SetCaptionAndIcon(std::string_view caption, ui::Bitmap icon) {
  SetText(caption);
  hasIcon_ = static_cast<bool>(icon);
  icon_ = std::move(icon);
}

LRESULT SkinButton::OnClicked(const ui::Message&) {
  HWND target = host_ ? host_->SidebarWindow() : nullptr;
  if (target) ::SendMessageW(target, kCategorySelectedMessage, 0, categoryIndex_);
  return 0;
}

void SkinButton::Draw(HDC dc, const RECT& item, UINT itemState) {
  ui::SavedDcState saved(dc);
  const std::string caption = Text();

  ::SetDCBrushColor(dc, kFrame);
  ::FrameRect(dc, &item, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));

  RECT inner = item;
  ::InflateRect(&inner, -::GetSystemMetrics(SM_CXEDGE), -::GetSystemMetrics(SM_CYEDGE));

  const int chosen = host_ ? host_->SelectedEntry() : app::kNoEntry;
  if (Hover()) {
    ui::FillSolidRect(dc, inner, kHoverFace);
    ui::SelectGuard pen(dc, hoverPen_.Get());
    ::MoveToEx(dc, inner.left, inner.top, nullptr);
    ::LineTo(dc, inner.right, inner.top);
  } else if ((itemState & ODS_FOCUS) || categoryIndex_ == chosen) {
    ui::FillSolidRect(dc, inner, kChosenFace);
  } else {
    ui::FillSolidRect(dc, inner, kNormalFace);
  }

  // The caption is centred 10 pixels right of the middle; the icon keeps a
  // fixed offset from the caption, so a longer caption moves it left.
  if (!font_) font_ = ui::CreatePointFont(96, L"Arial", dc);
  ui::SelectGuard fontSel(dc, font_.Get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(0, 0, 0));
  SIZE size = ui::TextExtent(dc, caption);
  if (caption.empty()) {  // no caption: place the icon as for a zero-width one
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    size.cy = tm.tmHeight;
  }
  const int x = (inner.left + inner.right) / 2 - size.cx / 2 + 10;
  const int y = (inner.top + inner.bottom) / 2 - size.cy / 2;
  if (!caption.empty()) ui::DrawTextAt(dc, x, y, caption);
  if (hasIcon_ && icon_) ui::DrawBitmapTransparent(dc, x - 33, y - 8, icon_.Get(), kIconTransparent);
}

const ui::Handler<HeaderButton> HeaderButton::kMessages[] = {
    {ui::Reflected(WM_COMMAND), BN_CLICKED, ui::kAny, &HeaderButton::OnClicked},
};

bool HeaderButton::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || BitmapButton::OnMessage(m, result);
}

LRESULT HeaderButton::OnClicked(const ui::Message&) {
  if (HWND parent = ::GetParent(Handle())) ::SendMessageW(parent, kGroupSwitchMessage, 0, groupIndex_);
  return 0;
}

}  // namespace dockline::controls
