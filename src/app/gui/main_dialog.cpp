#include "app/gui/main_dialog.h"

#include <windowsx.h>
#include <shellapi.h>

#include "download/category_table.h"
#include "download/settings_location.h"
#include "platform/file_system.h"
#include "platform/win32/wide.h"
#include "resource.h"
#include "ui/message_box.h"
#include "ui/resources.h"

namespace dockline::app {

namespace {

constexpr int kTitleHeight = 23;
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct Folders {
  std::string program, help, ini;
};
Folders& ProgramFolders() {
  static Folders folders;
  return folders;
}

}  // namespace

const TitleButton kTitleButtons[4] = {
    {{10, 4, 27, 20}, 0, 0},
    {{567, 4, 578, 20}, IDB_TITLE_MIN_HOVER, IDB_TITLE_MIN},
    {{586, 4, 600, 20}, IDB_TITLE_CLOSE_HOVER, IDB_TITLE_CLOSE},
    {{548, 4, 561, 20}, IDB_TITLE_HELP_HOVER, IDB_TITLE_HELP},
};

int HitTitleButton(POINT p) {
  for (int i = 0; i < 4; ++i) {
    const RECT& r = kTitleButtons[i].rect;
    if (r.left < p.x && p.x < r.right && r.top < p.y && p.y < r.bottom) return i;
  }
  return -1;
}

const ui::Handler<MainDialog> MainDialog::kMessages[] = {
    {WM_SYSCOMMAND, &MainDialog::OnSysCommand},
    {WM_PAINT, &MainDialog::OnPaint},
    {WM_QUERYDRAGICON, &MainDialog::OnQueryDragIcon},
    {WM_LBUTTONDOWN, &MainDialog::OnLeftButtonDown},
    {WM_COMMAND, BN_CLICKED, 1010, &MainDialog::OnMinimiseCommand},
    {WM_COMMAND, BN_CLICKED, 1009, &MainDialog::OnClose},
    {WM_MOUSEMOVE, &MainDialog::OnMouseMove},
    {WM_CTLCOLORDLG, &MainDialog::OnControlColour},
    {WM_CTLCOLORSTATIC, &MainDialog::OnControlColour},
    {WM_CTLCOLORBTN, &MainDialog::OnControlColour},
    {WM_COMMAND, BN_CLICKED, IDC_ABOUT, &MainDialog::OnAbout},
    {WM_KEYDOWN, &MainDialog::OnIgnore},
    {WM_KEYUP, &MainDialog::OnIgnore},
    {WM_CHAR, &MainDialog::OnIgnore},
    {WM_CLOSE, &MainDialog::OnClose},
    {WM_HELP, &MainDialog::OnHelp},
    {WM_DESTROY, &MainDialog::OnDestroy},
};

MainDialog::MainDialog(ui::UiPoster ui)
    : ui::Dialog(IDD_MAIN),
      ui_(std::move(ui)),
      background_(::CreateSolidBrush(kWhite)),
      icon_(ui::LoadIconResource(IDI_MAIN, ::GetSystemMetrics(SM_CXICON))),
      smallIcon_(ui::LoadIconResource(IDI_MAIN, ::GetSystemMetrics(SM_CXSMICON))),
      titleStrip_(ui::LoadBitmapResource(IDB_TITLE_STRIP)) {
  for (int i = 0; i < 4; ++i) {
    if (kTitleButtons[i].hoverImage) titleImages_[i][0] = ui::LoadBitmapResource(kTitleButtons[i].hoverImage);
    if (kTitleButtons[i].normalImage) titleImages_[i][1] = ui::LoadBitmapResource(kTitleButtons[i].normalImage);
  }
  Shared().MonitorStopRequested = 0;
  Shared().DeviceOnline = 0;
  Shared().DownloadRunning = 0;
}

MainDialog::~MainDialog() { StopMonitor(); }

bool MainDialog::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || ui::Dialog::OnMessage(m, result);
}

bool MainDialog::OnInitDialog() {
  HWND hwnd = Handle();
  if (HMENU menu = ::GetSystemMenu(hwnd, FALSE)) {
    const std::string about = ui::LoadStringResource(IDS_ABOUT_MENU);
    if (!about.empty()) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(menu, MF_STRING, IDM_ABOUT, platform::Wide(about).c_str());
    }
  }
  ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
  ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
  ::SetPropW(hwnd, kInstanceMark, reinterpret_cast<HANDLE>(1));

  // The settings file lives beside the program. Its path is kept in full: every
  // file call takes Unicode, so no short 8.3 form is needed to reach it.
  Folders& folders = ProgramFolders();
  folders.program = platform::ProgramFolder();
  folders.help = folders.program;
  folders.ini = download::SettingsFileForThisProgram();  // beside the program unless its folder is read-only
  settings_.SetFile(folders.ini);
  ui::MessageBoxNotifier notifier(ui_);
  settings_.EnsureFile(download::CategoryTable::labels(), notifier);

  openButton_.AttachDlgItem(hwnd, IDC_OPEN_DISK);
  aboutButton_.AttachDlgItem(hwnd, IDC_ABOUT);
  closeDiskButton_.AttachDlgItem(hwnd, IDC_CLOSE_DISK);
  stateLabel_.AttachDlgItem(hwnd, IDC_STATE_LABEL);
  logo_.AttachDlgItem(hwnd, IDC_LOGO);
  stateLamp_.AttachDlgItem(hwnd, IDC_STATE_LAMP);
  stateLamp_.LoadBitmaps(IDB_LAMP_OFF);
  stateLamp_.SetText(kLampAbsentText);
  logo_.LoadHoverPointer(IDC_LINK_HAND);
  logo_.LoadBackgroundPicture(IDB_LOGO);
  stateLabel_.EnableHover(false);
  stateLabel_.SetBoxColor(RGB(255, 0, 0));  // unframed: never seen
  stateLabel_.SetLabelTextColor(RGB(41, 73, 148));

  SetText(kWindowText);
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  ::SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION));
  ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);

  RECT client{};
  ::GetClientRect(hwnd, &client);
  if (client.right - client.left > kClientWidth + 5) {
    ui::WindowMessageBox(hwnd,
                         "建议在“显示属性－>设置－>高级－>常规”中把字体设置为“小字体”，否则显示会出现异常。",
                         "建议", MB_OK);
  }
  // The client area is the window: no caption and no border remain.
  ::MoveWindow(hwnd, 0, 0, kClientWidth, kClientHeight, TRUE);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::SetWindowPos(hwnd, nullptr, work.left + ((work.right - work.left) - kClientWidth) / 2,
                 work.top + ((work.bottom - work.top) - kClientHeight) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  ui::SetMainWindow(hwnd);
  monitor_ = std::make_unique<DeviceMonitor>(Shared(), static_cast<MonitorView&>(*this), SystemMonitorServices());
  monitor_->Start();
  return true;
}

bool MainDialog::PreTranslateMessage(MSG& msg) {
  // Key presses go to their window as they are: no dialog-key handling, so
  // Tab, the arrows, Enter and Esc neither move the focus nor close the window.
  if (msg.message == WM_KEYDOWN) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
  }
  return ui::Dialog::PreTranslateMessage(msg);
}

// ---- the monitor's reports, carried to the UI thread ----

void MainDialog::SetFreeSpaceText(const std::string& utf8) {
  ui_.Post([this, alive = alive_, utf8] {
    if (*alive) SetItemText(IDC_FREE_SPACE, utf8);
  });
}

void MainDialog::SetDevicePresent(bool present) {
  ui_.Post([this, alive = alive_, present] {
    if (!*alive) return;
    stateLamp_.LoadBitmaps(present ? IDB_LAMP_ON : IDB_LAMP_OFF);
    stateLamp_.SetText(present ? kLampPresentText : kLampAbsentText);
    ::ShowWindow(Item(IDC_FREE_SPACE), SW_SHOWNORMAL);
    stateLamp_.Invalidate(true);
  });
}

void MainDialog::ShowLocalList() {
  // The download page arrives with the download work; until then there is
  // no list to return to.
}

// ---- painting ----

LRESULT MainDialog::OnPaint(const ui::Message& m) {
  if (::IsIconic(Handle())) {
    ui::PaintDC dc(Handle());
    ::SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    RECT r{};
    ::GetClientRect(Handle(), &r);
    const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc.Get(), (r.right - r.left - cx + 1) / 2, (r.bottom - r.top - cy + 1) / 2, icon_.Get());
    return 0;
  }
  Default(m);  // erases with the white background
  ui::ClientDC dc(Handle());
  PaintFrame(dc.Get());
  ::ShowWindow(Item(IDC_STATE_LABEL), SW_SHOWNORMAL);
  return 0;
}

void MainDialog::PaintFrame(HDC dc) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::FrameRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::MoveToEx(dc, 0, kTitleHeight, nullptr);
  ::LineTo(dc, client.right, kTitleHeight);
  if (!titleStrip_) return;
  ui::MemoryDcHandle memory(::CreateCompatibleDC(dc));
  ui::SelectGuard select(memory.Get(), titleStrip_.Get());
  ::BitBlt(dc, client.left, client.top, client.right - client.left, kTitleHeight, memory.Get(), 0, 0, SRCCOPY);
}

void MainDialog::DrawTitleButton(int index, int state) {
  const TitleButton& b = kTitleButtons[index];
  const ui::Bitmap& bitmap = titleImages_[index][state == 0 ? 0 : 1];
  if (!bitmap) return;
  ui::ClientDC dc(Handle());
  ui::MemoryDcHandle memory(::CreateCompatibleDC(dc.Get()));
  ui::SelectGuard select(memory.Get(), bitmap.Get());
  ::BitBlt(dc.Get(), b.rect.left, b.rect.top, b.rect.right - b.rect.left, b.rect.bottom - b.rect.top, memory.Get(), 0,
           0, SRCCOPY);
}

LRESULT MainDialog::OnControlColour(const ui::Message& m) {
  ::SetBkMode(reinterpret_cast<HDC>(m.wParam), TRANSPARENT);
  return reinterpret_cast<LRESULT>(background_.Get());
}

LRESULT MainDialog::OnQueryDragIcon(const ui::Message&) { return reinterpret_cast<LRESULT>(icon_.Get()); }

// ---- the title strip ----

LRESULT MainDialog::OnMouseMove(const ui::Message& m) {
  const POINT p{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
  hoveredTitleButton_ = HitTitleButton(p);
  if (hoveredTitleButton_ >= 0) DrawTitleButton(hoveredTitleButton_, 0);
  for (int i = 0; i < 4; ++i)
    if (i != hoveredTitleButton_) DrawTitleButton(i, 1);
  return Default(m);
}

LRESULT MainDialog::OnLeftButtonDown(const ui::Message& m) {
  switch (hoveredTitleButton_) {
    case 1: ::SendMessageW(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); break;
    case 2: CloseApplication(); break;
    case 3: OnHelp(m); break;
    default: break;
  }
  // Any bare point of the window drags it, as a title bar would.
  if (::IsWindow(Handle())) ::PostMessageW(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, m.lParam);
  return Default(m);
}

LRESULT MainDialog::OnMinimiseCommand(const ui::Message&) {
  ::SendMessageW(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  return 0;
}

LRESULT MainDialog::OnSysCommand(const ui::Message& m) {
  if ((m.wParam & 0xFFF0) == IDM_ABOUT) return OnAbout(m);
  return Default(m);
}

LRESULT MainDialog::OnAbout(const ui::Message&) {
  ui::Dialog about(IDD_ABOUT);
  about.DoModal(Handle());
  return 0;
}

LRESULT MainDialog::OnHelp(const ui::Message&) {
  ::ShellExecuteW(nullptr, nullptr, L"言途6170 DOCKLINE.HLP", nullptr,
                  platform::Wide(ProgramFolders().help).c_str(), SW_SHOWMAXIMIZED);
  return TRUE;
}

LRESULT MainDialog::OnIgnore(const ui::Message&) { return 0; }

// ---- closing ----

LRESULT MainDialog::OnClose(const ui::Message&) {
  CloseApplication();
  return 0;
}

void MainDialog::CloseApplication() {
  if (Shared().DownloadRunning == 1) {
    // The download goes on while the box is open: the worker is told nothing.
    ui::AppMessageBox("关闭下载软件前，请先停止下载。");
    return;
  }
  if (ui::WindowMessageBox(Handle(), "你确定要关闭下载软件吗？", "提示", MB_YESNO) != IDYES) return;
  StopMonitor();
  EndDialog(IDOK);
}

void MainDialog::StopMonitor() {
  Shared().MonitorStopRequested = 1;
  if (monitor_) monitor_->Stop();  // the monitor never waits on us, so this cannot deadlock
}

LRESULT MainDialog::OnDestroy(const ui::Message& m) {
  StopMonitor();
  *alive_ = false;
  ::RemovePropW(Handle(), kInstanceMark);
  ui::SetMainWindow(nullptr);
  return Default(m);
}

}  // namespace dockline::app
