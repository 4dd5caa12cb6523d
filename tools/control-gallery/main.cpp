// The control gallery: every skinned control of the program in each of its
// states on one window, for looking at (tools/gallery-screenshot takes its
// picture). The controls are live: hovering and clicking them works.
//
//   control-gallery [--exit-after MS] [--ready-file PATH]
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/sidebar.h"
#include "controls/bitmap_button.h"
#include "controls/flat_button.h"
#include "controls/link_label.h"
#include "controls/text_progress_bar.h"
#include "download/gui/wait_popup.h"
#include "platform/win32/wide.h"
#include "resource.h"
#include "ui/drawing.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace dockline::gallery {
namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 500;
constexpr COLORREF kPageBlue = RGB(0, 105, 165);
constexpr COLORREF kNoteGrey = RGB(80, 80, 80);
constexpr UINT_PTR kExitTimer = 1;
constexpr UINT_PTR kReadyTimer = 2;

// A button drawn as if the drawing request always carried `pinned` too, so
// that states which only one control can have at a time (focus, default) can
// be shown side by side.
template <class Button>
class Pinned : public Button {
 public:
  template <class... Args>
  explicit Pinned(UINT pinned, Args&&... args) : Button(std::forward<Args>(args)...), pinned_(pinned) {}

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override {
    if (m.message == ui::Reflected(WM_DRAWITEM) && pinned_ != 0) {
      const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam);
      this->Draw(dis->hDC, dis->rcItem, dis->itemState | pinned_);
      result = TRUE;
      return true;
    }
    return Button::OnMessage(m, result);
  }

 private:
  UINT pinned_;
};

struct Note {
  int x, y;
  std::string text;
  COLORREF colour;
};

// The program's sidebar in the left column, its first header just below the
// gallery's title band and its foot at the window's bottom.
constexpr app::SidebarPlace kSidebarPlace{1, 120, 54, kHeight, {0, 27, 122, kHeight}};

class GalleryWindow : public ui::Window {
 public:
  bool Open(int exitAfterMs, std::wstring readyFile);

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnPaint(const ui::Message& m);
  LRESULT OnControlColour(const ui::Message& m);
  LRESULT OnSwitchGroup(const ui::Message& m);
  LRESULT OnCategorySelected(const ui::Message& m);
  LRESULT OnTimer(const ui::Message& m);
  LRESULT OnDestroy(const ui::Message& m);
  static const ui::Handler<GalleryWindow> kMessages[];

  void BuildSidebar();
  void BuildStatusRow();
  void BuildFlatButtons();
  void BuildProgressBars();
  void BuildTitle();
  void OpenWaitPopup();
  HWND MakeControl(const wchar_t* cls, const std::string& text, DWORD style, int x, int y, int w, int h, int id);
  void AddNote(int x, int y, std::string text, COLORREF colour = kNoteGrey) {
    notes_.push_back({x, y, std::move(text), colour});
  }

  app::Sidebar sidebar_{kSidebarPlace};
  ui::Font font_;
  ui::Font noteFont_;
  ui::Font headingFont_;
  ui::Brush white_{::CreateSolidBrush(RGB(255, 255, 255))};
  std::vector<Note> notes_;
  std::vector<std::unique_ptr<ui::Window>> controls_;
  std::unique_ptr<ui::Window> popupAnchor_;
  std::unique_ptr<download::WaitPopup> popup_;
  std::wstring readyFile_;
};

const ui::Handler<GalleryWindow> GalleryWindow::kMessages[] = {
    {WM_PAINT, &GalleryWindow::OnPaint},
    {WM_CTLCOLORSTATIC, &GalleryWindow::OnControlColour},
    {WM_CTLCOLORBTN, &GalleryWindow::OnControlColour},
    {controls::kGroupSwitchMessage, &GalleryWindow::OnSwitchGroup},
    {controls::kCategorySelectedMessage, &GalleryWindow::OnCategorySelected},
    {WM_TIMER, &GalleryWindow::OnTimer},
    {WM_DESTROY, &GalleryWindow::OnDestroy},
};

bool GalleryWindow::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Window::OnMessage(m, result);
}

bool GalleryWindow::Open(int exitAfterMs, std::wstring readyFile) {
  readyFile_ = std::move(readyFile);
  ui::RegisterWindowClass(L"DocklineControlGallery", CS_HREDRAW | CS_VREDRAW, white_.Get());
  // No WS_CLIPCHILDREN: like the program's dialogs, the window paints under
  // its labels, which draw no background of their own.
  if (!Create(L"DocklineControlGallery", "DOCKLINE 控件一览", WS_POPUP, 0,
              RECT{0, 0, kWidth, kHeight}, nullptr)) {
    return false;
  }
  font_.Reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"宋体"));
  noteFont_.Reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
  headingFont_.Reset(::CreateFontW(-14, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  BuildSidebar();
  BuildStatusRow();
  BuildFlatButtons();
  BuildProgressBars();
  BuildTitle();
  // Everything is set up before the first paint, as a dialog's controls are
  // during its initialisation.
  ::ShowWindow(Handle(), SW_SHOW);
  ::UpdateWindow(Handle());
  OpenWaitPopup();
  if (exitAfterMs > 0) ::SetTimer(Handle(), kExitTimer, static_cast<UINT>(exitAfterMs), nullptr);
  if (!readyFile_.empty()) ::SetTimer(Handle(), kReadyTimer, 1500, nullptr);
  return true;
}

HWND GalleryWindow::MakeControl(const wchar_t* cls, const std::string& text, DWORD style, int x, int y, int w, int h,
                                int id) {
  HWND hwnd = ::CreateWindowExW(0, cls, platform::Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  return hwnd;
}

// The program's own sidebar: the gallery makes the two header buttons its
// template would hold and lets the sidebar do the rest. The header click
// switches the groups as in the program; the organizer's entries have no icon.
void GalleryWindow::BuildSidebar() {
  AddNote(8, 34, "Sidebar: SkinButton / HeaderButton", kPageBlue);
  for (int id : {IDC_HEADER_0, IDC_HEADER_1})
    MakeControl(L"BUTTON", "", BS_PUSHBUTTON, 0, 0, kSidebarPlace.width, 20, id);
  sidebar_.Attach(Handle());
  sidebar_.Choose(2);
  ::SendMessageW(sidebar_.Button(1), WM_MOUSEHOVER, 0, 0);
  const int firstRow = kSidebarPlace.top + sidebar_.HeaderHeight() + app::Sidebar::kButtonGap + 11;
  const char* notes[] = {"normal", "hover", "chosen"};
  for (int i = 0; i < 3; ++i) AddNote(128, firstRow + i * app::Sidebar::kButtonHeight, notes[i]);
  AddNote(128, kSidebarPlace.top + 4, "header 0 (182)");
  AddNote(128, kSidebarPlace.foot - sidebar_.HeaderHeight() + 4, "header 1 (193): organizer, no icons");
}

// The main window's status row: logo, state label, state lamp.
void GalleryWindow::BuildStatusRow() {
  AddNote(226, 34, "LinkLabel / BitmapButton", kPageBlue);
  auto logo = std::make_unique<controls::LinkLabel>();
  logo->Attach(MakeControl(L"STATIC", "", SS_LEFT, 226, 54, 120, 49, IDC_LOGO));
  logo->LoadHoverPointer(IDC_LINK_HAND);
  logo->LoadBackgroundPicture(IDB_LOGO);
  controls_.push_back(std::move(logo));

  auto state = std::make_unique<controls::LinkLabel>();
  state->Attach(MakeControl(L"STATIC", "U盘状态:", SS_LEFT, 356, 60, 56, 14, IDC_STATE_LABEL));
  state->EnableHover(false);
  state->SetBoxColor(RGB(255, 0, 0));
  state->SetLabelTextColor(RGB(41, 73, 148));
  controls_.push_back(std::move(state));

  int x = 414;
  for (int image : {IDB_LAMP_OFF, IDB_LAMP_ON}) {
    auto lamp = std::make_unique<controls::BitmapButton>();
    lamp->CreateControl(L"BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, RECT{x, 57, x + 20, 77}, Handle(),
                        IDC_STATE_LAMP);
    lamp->LoadBitmaps(image);
    controls_.push_back(std::move(lamp));
    x += 26;
  }
  AddNote(356, 86, "state label, lamp 146 / 145");
  AddNote(226, 106, "logo 142, hand cursor 143");
}

void GalleryWindow::BuildFlatButtons() {
  AddNote(226, 132, "FlatButton", kPageBlue);
  struct Face {
    const char* caption;
    UINT pinned;
    bool hover;
    bool disabled;
    const char* note;
  };
  const Face faces[] = {
      {"打开U盘", 0, false, false, "normal"},       {"关于软件", 0, true, false, "hover"},
      {"下载", ODS_SELECTED | ODS_FOCUS, false, false, "pressed"},
      {"全选", ODS_FOCUS, false, false, "focused"},  {"反选", ODS_DEFAULT, false, false, "default"},
      {"关闭U盘", 0, false, true, "disabled"},
  };
  for (int i = 0; i < static_cast<int>(std::size(faces)); ++i) {
    const Face& f = faces[i];
    const int x = 226 + (i % 3) * 110;
    const int y = 152 + (i / 3) * 46;
    auto button = std::make_unique<Pinned<controls::FlatButton>>(f.pinned);
    button->Attach(MakeControl(L"BUTTON", f.caption, BS_PUSHBUTTON, x, y, 84, 23, 1020 + i));
    if (f.hover) ::SendMessageW(button->Handle(), WM_MOUSEHOVER, 0, 0);
    if (f.disabled) ::EnableWindow(button->Handle(), FALSE);
    AddNote(x, y + 26, f.note);
    controls_.push_back(std::move(button));
  }
}

void GalleryWindow::BuildProgressBars() {
  AddNote(226, 252, "TextProgressBar", kPageBlue);
  struct Bar {
    int lower, upper, position;
    const char* caption;
    const char* note;
  };
  const Bar bars[] = {
      {0, 100, 0, "", "0"},
      {0, 100, 50, "", "half"},
      {0, 10, 5, "正在下载 歌曲.mp3", "half, with text"},
      {0, 100, 100, "", "full"},
      {0, 0, 0, "", "range 0..0: nothing drawn"},
  };
  int y = 272;
  for (const Bar& b : bars) {
    auto bar = std::make_unique<controls::TextProgressBar>();
    bar->Attach(MakeControl(PROGRESS_CLASSW, "", 0, 226, y, 300, 18, 1030));
    bar->SetRange(b.lower, b.upper);
    bar->SetPos(b.position);
    if (*b.caption) bar->SetText(b.caption);
    AddNote(534, y + 3, b.note);
    controls_.push_back(std::move(bar));
    y += 26;
  }
}

// The download page's title.
void GalleryWindow::BuildTitle() {
  AddNote(128, 404, "LinkLabel (page title 1017)  /  WaitPopup (template 194)", kPageBlue);
  auto title = std::make_unique<controls::LinkLabel>();
  title->Attach(MakeControl(L"STATIC", std::string(45, ' ') + "请选择你要下载的文件", SS_LEFT, 121, 424, 487, 20, 1017));
  title->SetFrame(true, kPageBlue);
  title->SetBoxColor(kPageBlue);
  title->SetLabelTextColor(RGB(255, 255, 255));
  title->EnableHover(false);
  controls_.push_back(std::move(title));
}

// The wait popup, placed by its rule (owner's corner + (125, 200)) over an
// anchor chosen so that it lands in view.
void GalleryWindow::OpenWaitPopup() {
  RECT me{};
  ::GetWindowRect(Handle(), &me);
  const int popupX = me.left + 400;
  const int popupY = me.top + 452;
  popupAnchor_ = std::make_unique<ui::Window>();
  ui::RegisterWindowClass(L"DocklineGalleryAnchor");
  popupAnchor_->Create(L"DocklineGalleryAnchor", "", WS_POPUP, 0,
                       RECT{popupX - download::WaitPopup::kOffsetX, popupY - download::WaitPopup::kOffsetY,
                            popupX - download::WaitPopup::kOffsetX + 1, popupY - download::WaitPopup::kOffsetY + 1},
                       Handle());
  popup_ = std::make_unique<download::WaitPopup>(popupAnchor_->Handle());
}

LRESULT GalleryWindow::OnPaint(const ui::Message&) {
  ui::PaintDC paint(Handle());
  HDC dc = paint.Get();
  RECT client{};
  ::GetClientRect(Handle(), &client);
  // Title band and frame.
  RECT band{0, 0, client.right, 26};
  ui::FillSolidRect(dc, band, kPageBlue);
  sidebar_.Paint(dc);
  ui::Brush black(::CreateSolidBrush(RGB(0, 0, 0)));
  ::FrameRect(dc, &client, black.Get());
  ::SetBkMode(dc, TRANSPARENT);
  {
    ui::SelectGuard font(dc, headingFont_.Get());
    ::SetTextColor(dc, RGB(255, 255, 255));
    ui::DrawTextAt(dc, 10, 5, "DOCKLINE 控件一览  —  control gallery");
  }
  ui::SelectGuard font(dc, noteFont_.Get());
  for (const Note& n : notes_) {
    ::SetTextColor(dc, n.colour);
    ui::DrawTextAt(dc, n.x, n.y, n.text);
  }
  return 0;
}

LRESULT GalleryWindow::OnControlColour(const ui::Message& m) {
  ::SetBkMode(reinterpret_cast<HDC>(m.wParam), TRANSPARENT);
  return reinterpret_cast<LRESULT>(white_.Get());
}

LRESULT GalleryWindow::OnSwitchGroup(const ui::Message& m) {
  sidebar_.SwitchGroup(static_cast<int>(m.lParam));
  return 0;
}

// A click on a sidebar button chooses that entry, as in the program.
LRESULT GalleryWindow::OnCategorySelected(const ui::Message& m) {
  sidebar_.Choose(static_cast<int>(m.lParam));
  return 0;
}

LRESULT GalleryWindow::OnTimer(const ui::Message& m) {
  if (m.wParam == kExitTimer) {
    ::DestroyWindow(Handle());
  } else if (m.wParam == kReadyTimer) {
    ::KillTimer(Handle(), kReadyTimer);
    const platform::KernelHandle ready(
        ::CreateFileW(readyFile_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  return 0;
}

LRESULT GalleryWindow::OnDestroy(const ui::Message&) {
  popup_.reset();
  sidebar_.DestroyButtons();
  ::PostQuitMessage(0);
  return 0;
}

}  // namespace
}  // namespace dockline::gallery

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int exitAfter = 0;
  std::wstring readyFile;
  int argc = 0;
  if (LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc)) {
    for (int i = 1; i + 1 < argc; ++i) {
      if (std::wcscmp(argv[i], L"--exit-after") == 0) exitAfter = std::wcstol(argv[++i], nullptr, 10);
      else if (std::wcscmp(argv[i], L"--ready-file") == 0) readyFile = argv[++i];
    }
    ::LocalFree(argv);
  }
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);

  dockline::gallery::GalleryWindow gallery;
  if (!gallery.Open(exitAfter, readyFile)) return 1;
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
