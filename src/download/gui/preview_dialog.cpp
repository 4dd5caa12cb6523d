#include "download/gui/preview_dialog.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/wide.h"
#include "preview_resource.h"
#include "ui/drawing.h"

namespace dockline::download {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kMargin = 12;
constexpr int kGap = 8;
constexpr int kLineHeight = 18;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
// The text's box: some twenty lines of thirty-odd characters, a page of a
// book, where the device's own screen would be too small to read.
constexpr int kTextWidth = 480;
constexpr int kTextHeight = 360;

void Place(HWND control, int x, int y, int width, int height) { ::MoveWindow(control, x, y, width, height, FALSE); }

}  // namespace

const ui::Handler<PreviewDialog> PreviewDialog::kMessages[] = {
    {WM_PAINT, &PreviewDialog::OnPaint},
    {WM_DRAWITEM, &PreviewDialog::OnDrawPicture},
    {WM_DESTROY, &PreviewDialog::OnDestroy},
    {WM_MOUSEWHEEL, &PreviewDialog::OnMouseWheel},
};

PreviewDialog::PreviewDialog(ui::UiPoster ui, std::string name, PreviewKind kind, std::function<void(Deliver)> start)
    : ui::Dialog(IDD_PREVIEW),
      ui_(std::move(ui)),
      name_(std::move(name)),
      kind_(kind),
      start_(std::move(start)),
      self_(std::make_shared<PreviewDialog*>(this)) {
  SetBackground(kWhite);
}

PreviewDialog::~PreviewDialog() {
  *self_ = nullptr;
  DestroyOwnedWindow();
}

bool PreviewDialog::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || ui::Dialog::OnMessage(m, result);
}

bool PreviewDialog::OnInitDialog() {
  close_.AttachDlgItem(Handle(), IDCANCEL);
  LayOut();
  SetItemText(IDC_PREVIEW_NAME, name_);
  if (start_) {
    start_([ui = ui_, self = self_](RowPreview preview) {
      ui.Post([self, preview = std::move(preview)]() mutable {
        if (*self) (*self)->Show(std::move(preview));
      });
    });
  }
  return true;
}

// In pixels, whatever the template's units come to: the picture is drawn
// 1:1, as the device shows it. Centred over the window it was opened from.
void PreviewDialog::LayOut() {
  const int width = ShowsText() ? kTextWidth : kScreenWidth;
  screen_ = {kMargin, kMargin, kMargin + width, kMargin + (ShowsText() ? kTextHeight : kScreenHeight)};
  if (ShowsText()) {
    HWND text = Item(IDC_PREVIEW_TEXT);
    Place(text, screen_.left, screen_.top, width, screen_.bottom - screen_.top);
    ::SetWindowTextW(text, platform::Wide(kMakingText).c_str());
    ::ShowWindow(text, SW_SHOW);
  }
  int y = screen_.bottom + 1 + kGap;
  Place(Item(IDC_PREVIEW_NAME), kMargin, y, width, kLineHeight);
  y += kLineHeight;
  Place(Item(IDC_PREVIEW_INFO), kMargin, y, width, kLineHeight);
  y += kLineHeight + kGap;
  Place(Item(IDCANCEL), screen_.right - kButtonWidth, y, kButtonWidth, kButtonHeight);
  RECT frame{0, 0, screen_.right + kMargin, y + kButtonHeight + kMargin};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
  const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
  RECT over{};
  if (HWND owner = ::GetWindow(Handle(), GW_OWNER)) {
    ::GetWindowRect(owner, &over);
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
  }
  ::SetWindowPos(Handle(), nullptr, (over.left + over.right - outerWidth) / 2, (over.top + over.bottom - outerHeight) / 2,
                 outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void PreviewDialog::Show(RowPreview preview) {
  if (!Handle()) return;
  if (ShowsText()) {
    const bool made = preview.failure.empty();
    SetItemText(IDC_PREVIEW_TEXT, made ? preview.text.start : preview.failure);
    if (made) SetItemText(IDC_PREVIEW_INFO, PreviewTextInfo(preview.text));
    return;
  }
  if (!preview.failure.empty()) {
    failure_ = std::move(preview.failure);
    ::InvalidateRect(Handle(), &screen_, TRUE);
    return;
  }
  const convert::PicturePreview& made = preview.picture;
  const int width = made.picture.width, height = made.picture.height;
  bitmap_ = convert::EncodePreviewBitmap(made.picture);
  SetItemText(IDC_PREVIEW_INFO, PreviewSizeText(width, height, made.deviceBytes));
  // Where a smaller picture lies on the screen is the device's affair; the
  // middle shows its size best.
  HWND picture = Item(IDC_PREVIEW_PICTURE);
  Place(picture, screen_.left + (kScreenWidth - width) / 2, screen_.top + (kScreenHeight - height) / 2, width, height);
  ::ShowWindow(picture, width > 0 && height > 0 ? SW_SHOW : SW_HIDE);
  ::InvalidateRect(Handle(), &screen_, TRUE);
}

LRESULT PreviewDialog::OnPaint(const ui::Message&) {
  ui::PaintDC paint(Handle());
  if (ShowsText()) return 0;  // the text's box draws itself
  const HDC dc = paint.Get();
  RECT frame = screen_;
  ::InflateRect(&frame, 1, 1);
  ::FrameRect(dc, &frame, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
  ui::FillSolidRect(dc, screen_, kScreenColour);
  if (!bitmap_.empty()) return 0;  // the picture control draws the picture
  const std::wstring text = platform::Wide(failure_.empty() ? kMakingText : failure_);
  ui::SelectGuard font(dc, reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)));
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  // Centred both ways, broken into lines where a long path needs it.
  RECT area = screen_;
  ::InflateRect(&area, -kGap, -kGap);
  RECT measured = area;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
  ::OffsetRect(&measured, (area.right - measured.right) / 2, ((area.bottom - area.top) - (measured.bottom - measured.top)) / 2);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_CENTER | DT_WORDBREAK);
  ::SetBkMode(dc, oldMode);
  return 0;
}

LRESULT PreviewDialog::OnDrawPicture(const ui::Message& m) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam);
  if (item->CtlID != IDC_PREVIEW_PICTURE || bitmap_.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))
    return FALSE;
  // The bitmap file's headers are not aligned for the structures: copied out.
  BITMAPFILEHEADER file{};
  BITMAPINFO info{};
  std::memcpy(&file, bitmap_.data(), sizeof file);
  std::memcpy(&info.bmiHeader, bitmap_.data() + sizeof file, sizeof info.bmiHeader);
  const int width = info.bmiHeader.biWidth, height = info.bmiHeader.biHeight;
  ::SetDIBitsToDevice(item->hDC, 0, 0, width, height, 0, 0, 0, height, bitmap_.data() + file.bfOffBits, &info,
                      DIB_RGB_COLORS);
  return TRUE;
}

LRESULT PreviewDialog::OnDestroy(const ui::Message& m) {
  *self_ = nullptr;  // a preview still on its way finds no dialog
  return Default(m);
}

// The wheel goes to the focused 关闭 button, which hands it up here; it is
// meant for the text.
LRESULT PreviewDialog::OnMouseWheel(const ui::Message& m) {
  if (!ShowsText()) return Default(m);
  return ::SendMessageW(Item(IDC_PREVIEW_TEXT), WM_MOUSEWHEEL, m.wParam, m.lParam);
}

void RowPreviews::Open(HWND owner, FileEntry entry, bool onDevice) {
  if (closing_) return;
  std::erase_if(running_, [](const std::unique_ptr<ui::Worker>& work) { return !work->Started() || work->Finished(); });
  for (const auto& abandoned : running_) abandoned->RequestStop();
  running_.push_back(std::make_unique<ui::Worker>(ui_, "预览出错："));
  ui::Worker* work = running_.back().get();
  const PreviewKind kind = PreviewKindOf(entry, onDevice);
  const std::string name = entry.name;
  auto start = [work, entry = std::move(entry), onDevice, turn = turn_](PreviewDialog::Deliver deliver) {
    work->Start([entry, onDevice, turn, deliver = std::move(deliver)](std::stop_token stop) {
      {
        std::unique_lock lock(turn->mutex);
        if (!turn->given.wait(lock, stop, [&] { return !turn->taken; })) return;  // closed while it waited
        turn->taken = true;
      }
      struct GiveBack {
        Turn& turn;
        ~GiveBack() {
          {
            std::lock_guard lock(turn.mutex);
            turn.taken = false;
          }
          turn.given.notify_all();
        }
      } giveBack{*turn};
      RowPreview preview = PreviewRowFile(entry, onDevice, {}, stop);
      if (!stop.stop_requested()) deliver(std::move(preview));
    });
  };
  PreviewDialog dialog(ui_, name, kind, std::move(start));
  dialog.DoModal(owner);
  // Closed before its picture or text came: nobody waits for that work any more.
  work->RequestStop();
}

void RowPreviews::Shutdown() {
  closing_ = true;
  for (const auto& work : running_) work->Shutdown();
  running_.clear();  // each joins, messages flowing
}

}  // namespace dockline::download
