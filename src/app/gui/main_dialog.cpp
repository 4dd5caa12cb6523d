#include "app/gui/main_dialog.h"

#include <windowsx.h>
#include <shellapi.h>

#include "download/category_table.h"
#include "platform/win32/wide.h"
#include "resource.h"
#include "ui/message_box.h"
#include "ui/messages.h"
#include "ui/resources.h"

namespace dockline::app {

namespace {

constexpr int kTitleHeight = 23;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr RECT kPageArea{121, 49, kClientWidth - 1, kClientHeight - 1};

}  // namespace

const controls::TitleSpot kTitleSpots[4] = {
    {{10, 4, 27, 20}, 0, 0},  // the icon: only a place to drag from
    {{567, 4, 578, 20}, IDB_TITLE_MIN_HOVER, kMinimiseCommand},
    {{586, 4, 600, 20}, IDB_TITLE_CLOSE_HOVER, kCloseCommand},
    {{548, 4, 561, 20}, IDB_TITLE_HELP_HOVER, kHelpCommand},
};

const ui::Handler<MainDialog> MainDialog::kMessages[] = {
    {WM_SYSCOMMAND, &MainDialog::OnSysCommand},
    {WM_PAINT, &MainDialog::OnPaint},
    {WM_QUERYDRAGICON, &MainDialog::OnQueryDragIcon},
    {WM_LBUTTONDOWN, &MainDialog::OnLeftButtonDown},
    {WM_COMMAND, ui::kAny, kMinimiseCommand, &MainDialog::OnMinimiseCommand},
    {WM_COMMAND, ui::kAny, kCloseCommand, &MainDialog::OnClose},
    {WM_COMMAND, ui::kAny, kHelpCommand, &MainDialog::OnHelp},
    {WM_CTLCOLORDLG, &MainDialog::OnControlColour},
    {WM_CTLCOLORSTATIC, &MainDialog::OnControlColour},
    {WM_CTLCOLORBTN, &MainDialog::OnControlColour},
    {WM_COMMAND, BN_CLICKED, IDC_ABOUT, &MainDialog::OnAbout},
    {WM_KEYDOWN, &MainDialog::OnIgnore},
    {WM_KEYUP, &MainDialog::OnIgnore},
    {WM_CHAR, &MainDialog::OnIgnore},
    {WM_MOVE, &MainDialog::OnMove},
    {WM_CLOSE, &MainDialog::OnClose},
    {WM_HELP, &MainDialog::OnHelp},
    {ui::kTestSetDownloadRunning, &MainDialog::OnTestSetDownloadRunning},
    {WM_DESTROY, &MainDialog::OnDestroy},
};

MainDialog::MainDialog(Application& app)
    : ui::Dialog(IDD_MAIN),
      app_(app),
      background_(::CreateSolidBrush(kWhite)),
      icon_(ui::LoadIconResource(IDI_MAIN, ::GetSystemMetrics(SM_CXICON))),
      smallIcon_(ui::LoadIconResource(IDI_MAIN, ::GetSystemMetrics(SM_CXSMICON))),
      pages_(kPageArea) {}

MainDialog::~MainDialog() { DestroyOwnedWindow(); }

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

  // The settings file lives beside the program. Its path is kept in full:
  // every file call takes Unicode, so no short 8.3 form is needed to reach it.
  app_.Settings().SetFile(app_.ProgramFolder() + std::string(download::kSettingsFileName));
  ui::MessageBoxNotifier notifier(app_.Ui());
  app_.Settings().EnsureFile(download::CategoryTable::labels(), notifier);

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
  // Not WS_CLIPCHILDREN: the labels draw only their text and rely on the
  // window's white beneath them.
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
  titleStrip_.Create(hwnd, RECT{0, 0, kClientWidth, kTitleHeight}, IDB_TITLE_STRIP, kTitleSpots);
  AddMessageFilter(&pages_);

  ui::SetMainWindow(hwnd);
  app_.StartMonitor(*this);
  return true;
}

bool MainDialog::PreTranslateMessage(MSG& msg) {
  // Key presses go to their window as they are: no dialog-key handling, so
  // Tab, the arrows, Enter and Esc neither move the focus, press a button nor
  // close the window. A shown page has had its own keys first (the page host).
  if (msg.message == WM_KEYDOWN) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
  }
  return ui::Dialog::PreTranslateMessage(msg);
}

// ---- the monitor's reports, carried to the UI thread ----

void MainDialog::SetFreeSpaceText(const std::string& utf8) {
  PostTask(app_.Ui(), [this, utf8] { SetItemText(IDC_FREE_SPACE, utf8); });
}

void MainDialog::SetDevicePresent(bool present) {
  PostTask(app_.Ui(), [this, present] {
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

LRESULT MainDialog::OnPaint(const ui::Message&) {
  ui::PaintDC dc(Handle());  // erases with the white background first
  if (::IsIconic(Handle())) {
    RECT r{};
    ::GetClientRect(Handle(), &r);
    const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc.Get(), (r.right - r.left - cx + 1) / 2, (r.bottom - r.top - cy + 1) / 2, icon_.Get());
    return 0;
  }
  PaintFrame(dc.Get());
  return 0;
}

void MainDialog::PaintFrame(HDC dc) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::FrameRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::MoveToEx(dc, 0, kTitleHeight, nullptr);
  ::LineTo(dc, client.right, kTitleHeight);
}

LRESULT MainDialog::OnControlColour(const ui::Message& m) {
  ::SetBkMode(reinterpret_cast<HDC>(m.wParam), TRANSPARENT);
  return reinterpret_cast<LRESULT>(background_.Get());
}

LRESULT MainDialog::OnQueryDragIcon(const ui::Message&) { return reinterpret_cast<LRESULT>(icon_.Get()); }

LRESULT MainDialog::OnLeftButtonDown(const ui::Message& m) {
  // Any bare point of the window drags it, as a title bar would.
  ::PostMessageW(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, m.lParam);
  return Default(m);
}

LRESULT MainDialog::OnMove(const ui::Message& m) {
  pages_.OnParentMoved();
  return Default(m);
}

// ---- commands ----

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
  ::ShellExecuteW(nullptr, nullptr, L"言途6170 DOCKLINE.HLP", nullptr, platform::Wide(app_.ProgramFolder()).c_str(),
                  SW_SHOWMAXIMIZED);
  return TRUE;
}

LRESULT MainDialog::OnIgnore(const ui::Message&) { return 0; }

// The probe's way to stand for a running download; open only in test runs.
LRESULT MainDialog::OnTestSetDownloadRunning(const ui::Message& m) {
  if (!app_.TestHooks()) return 0;
  app_.State().DownloadRunning = m.wParam ? 1 : 0;
  return 1;
}

// ---- closing ----

LRESULT MainDialog::OnClose(const ui::Message&) {
  CloseApplication();
  return 0;
}

void MainDialog::CloseApplication() {
  if (app_.State().DownloadRunning == 1) {
    // The download goes on while the box is open: the worker is told nothing.
    ui::AppMessageBox("关闭下载软件前，请先停止下载。");
    return;
  }
  if (ui::WindowMessageBox(Handle(), "你确定要关闭下载软件吗？", "提示", MB_YESNO) != IDYES) return;
  app_.StopMonitor();
  EndDialog(IDOK);
}

LRESULT MainDialog::OnDestroy(const ui::Message& m) {
  app_.StopMonitor();
  RemoveMessageFilter(&pages_);
  ::RemovePropW(Handle(), kInstanceMark);
  ui::SetMainWindow(nullptr);
  return Default(m);
}

}  // namespace dockline::app
