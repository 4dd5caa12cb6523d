#include "controls/text_progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/win32/wide.h"
#include "ui/dpi.h"
#include "ui/drawing.h"
#include "ui/handles.h"

namespace dockline::controls {

const ui::Handler<TextProgressBar> TextProgressBar::kMessages[] = {
    {WM_PAINT, &TextProgressBar::OnPaint},
    {WM_PRINTCLIENT, &TextProgressBar::OnPrintClient},
    {WM_ERASEBKGND, &TextProgressBar::OnEraseBackground},
    {WM_SIZE, &TextProgressBar::OnSize},
    {WM_SETTEXT, &TextProgressBar::OnSetText},
    {WM_GETTEXT, &TextProgressBar::OnGetText},
    {WM_GETTEXTLENGTH, &TextProgressBar::OnGetTextLength},
};

bool TextProgressBar::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

// The system's selection and window colours, read once.
TextProgressBar::TextProgressBar()
    : barColour_(::GetSysColor(COLOR_HIGHLIGHT)),
      backgroundColour_(::GetSysColor(COLOR_WINDOW)),
      captionOverBackground_(::GetSysColor(COLOR_HIGHLIGHT)),
      captionOverBar_(::GetSysColor(COLOR_WINDOW)) {}

void TextProgressBar::OnAttached() { captionFont_ = ui::LayoutStockFont(SYSTEM_FONT); }

void TextProgressBar::SetRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
}

double TextProgressBar::Fraction(int position, int lower, int upper) {
  if (upper <= lower) return 0.0;  // an empty range has no bar (and no division by zero)
  return std::clamp((static_cast<double>(position) - lower) / (static_cast<double>(upper) - lower), 0.0, 1.0);
}

// The repaint decision and the paint use this one rounding, so a change
// SetPos lets pass is never one the paint would have shown.
int TextProgressBar::BarWidth(double fraction, int clientWidth) { return static_cast<int>(fraction * clientWidth); }

int TextProgressBar::SetPos(int position) {
  if (!Handle()) return -1;
  const int previous = std::exchange(position_, position);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int width = BarWidth(Fraction(position, lower_, upper_), client.right - client.left);
  // Only a whole pixel of change asks for a repaint.
  if (std::exchange(lastBarWidth_, width) != width) Invalidate(true);
  return previous;
}

void TextProgressBar::Paint(HDC target) {
  if (lower_ >= upper_) return;
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const double fraction = Fraction(position_, lower_, upper_);

  ui::MemoryDC memory(target);
  HDC dc = memory.Get();
  RECT bar = client;
  bar.right = bar.left + BarWidth(fraction, client.right - client.left);
  RECT rest = client;
  rest.left = bar.right;
  ui::FillSolidRect(dc, bar, barColour_);
  ui::FillSolidRect(dc, rest, backgroundColour_);

  std::wstring text;
  if (!caption_.empty()) {
    text = platform::Wide(caption_);
  } else {
    wchar_t percent[16];
    std::swprintf(percent, 16, L"%d%%", static_cast<int>(fraction * 100.0));
    text = percent;
  }
  // The same text twice, each time clipped to one side of the bar's end, in
  // the colour that contrasts with that side.
  ::SetBkMode(dc, TRANSPARENT);
  ui::SelectGuard fontSel(dc, captionFont_.Get());
  const struct {
    const RECT& clip;
    COLORREF colour;
  } halves[] = {{bar, captionOverBar_}, {rest, captionOverBackground_}};
  for (const auto& half : halves) {
    ui::SavedDcState saved(dc);
    ::IntersectClipRect(dc, half.clip.left, half.clip.top, half.clip.right, half.clip.bottom);
    ::SetTextColor(dc, half.colour);
    RECT box = client;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

LRESULT TextProgressBar::OnPaint(const ui::Message&) {
  ui::PaintDC dc(Handle());
  Paint(dc.Get());
  return 0;
}

LRESULT TextProgressBar::OnPrintClient(const ui::Message& m) {
  Paint(reinterpret_cast<HDC>(m.wParam));
  return 0;
}

LRESULT TextProgressBar::OnEraseBackground(const ui::Message&) { return TRUE; }

LRESULT TextProgressBar::OnSize(const ui::Message& m) {
  const LRESULT result = Default(m);
  lastBarWidth_ = -1;
  return result;
}

LRESULT TextProgressBar::OnSetText(const ui::Message& m) {
  const LRESULT result = Default(m);
  const auto* text = reinterpret_cast<const wchar_t*>(m.lParam);
  if (!text) {
    if (!caption_.empty()) {
      caption_.clear();
      Invalidate(true);
    }
  } else {
    std::string utf8 = platform::Narrow(text);
    if (utf8 != caption_) {
      caption_ = std::move(utf8);
      Invalidate(true);
    }
  }
  return result;
}

// Copies as much of the caption as fits, never half of a surrogate pair, and
// always terminates the copy inside the buffer.
LRESULT TextProgressBar::OnGetText(const ui::Message& m) {
  auto* buffer = reinterpret_cast<wchar_t*>(m.lParam);
  const std::size_t size = m.wParam;
  if (!buffer || size == 0) return 0;
  const std::wstring text = platform::Wide(caption_);
  std::size_t count = std::min(size - 1, text.size());
  if (count > 0 && count < text.size() && IS_HIGH_SURROGATE(text[count - 1])) --count;
  std::copy_n(text.begin(), count, buffer);
  buffer[count] = L'\0';
  return static_cast<LRESULT>(count);
}

LRESULT TextProgressBar::OnGetTextLength(const ui::Message&) {
  return static_cast<LRESULT>(platform::Wide(caption_).size());
}

}  // namespace dockline::controls
