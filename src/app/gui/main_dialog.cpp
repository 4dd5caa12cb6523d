#include "app/gui/main_dialog.h"

#include <windowsx.h>
#include <shellapi.h>

#include "device/device_locator.h"
#include "download/category_selection.h"
#include "platform/win32/wide.h"
#include "resource.h"
#include "ui/dropped_paths.h"
#include "ui/message_box.h"
#include "ui/messages.h"
#include "ui/resources.h"

namespace dockline::app {

namespace {

constexpr int kTitleHeight = 23;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr RECT kPageArea{121, 49, kClientWidth - 1, kClientHeight - 1};
// The sidebar column: 120 pixels wide from x 1, its first header at y 73,
// its foot at y 531; below the title strip it is painted again whole.
constexpr int kSidebarLeft = 1;
constexpr int kSidebarWidth = 120;
constexpr int kSidebarFoot = 531;
constexpr SidebarPlace kSidebarPlace{
    kSidebarLeft, kSidebarWidth, 73, kSidebarFoot, {0, kTitleHeight + 1, kSidebarLeft + kSidebarWidth + 1, kClientHeight}};

// The template holds two hidden placeholders of classes of its own (the page
// area's and an unused one's); they must exist before the template is made
// into windows. No object stands behind them: every message gets the default
// handling. Registered once per process.
void RegisterPlaceholderClasses() {
  const auto grey = static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH));
  ui::RegisterWindowClass(L"TestControl", CS_GLOBALCLASS, grey);
  ui::RegisterWindowClass(L"EditClass", CS_GLOBALCLASS, grey);
}

// The picture at the sidebar's foot: the template's one picture control,
// which has no id of its own.
HWND FindDecoration(HWND dialog) {
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) return child;
  }
  return nullptr;
}

}  // namespace

const controls::TitleSpot kTitleSpots[4] = {
    {{10, 4, 27, 20}, 0, 0},  // the icon: only a place to drag from
    {{567, 4, 578, 20}, IDB_TITLE_MIN_HOVER, kMinimiseCommand},
    {{586, 4, 600, 20}, IDB_TITLE_CLOSE_HOVER, kCloseCommand},
    {{548, 4, 561, 20}, IDB_TITLE_HELP_HOVER, kHelpCommand},
};

int PageSlotOf(int entry) {
  if (entry < 0 || entry >= 14) return -1;
  return entry < kSidebarGroups[1].first ? kDownloadPageSlot : kOrganizerPageSlot;
}

const ui::Handler<MainDialog> MainDialog::kMessages[] = {
    {WM_SYSCOMMAND, &MainDialog::OnSysCommand},
    {WM_PAINT, &MainDialog::OnPaint},
    {WM_QUERYDRAGICON, &MainDialog::OnQueryDragIcon},
    {controls::kGroupSwitchMessage, &MainDialog::OnSwitchGroup},
    {controls::kCategorySelectedMessage, &MainDialog::OnCategorySelected},
    {WM_LBUTTONDOWN, &MainDialog::OnLeftButtonDown},
    {WM_COMMAND, ui::kAny, kMinimiseCommand, &MainDialog::OnMinimiseCommand},
    {WM_COMMAND, ui::kAny, kCloseCommand, &MainDialog::OnClose},
    {WM_COMMAND, ui::kAny, kHelpCommand, &MainDialog::OnHelp},
    {WM_COMMAND, STN_CLICKED, IDC_LOGO, &MainDialog::OnWebSite},
    {WM_COMMAND, BN_CLICKED, IDC_ABOUT, &MainDialog::OnAbout},
    {WM_COMMAND, BN_CLICKED, IDC_OPEN_DISK, &MainDialog::OnOpenDisk},
    {WM_COMMAND, BN_CLICKED, IDC_CLOSE_DISK, &MainDialog::OnCloseDisk},
    {WM_KEYDOWN, &MainDialog::OnIgnore},
    {WM_KEYUP, &MainDialog::OnIgnore},
    {WM_CHAR, &MainDialog::OnIgnore},
    {WM_MOVE, &MainDialog::OnMove},
    {WM_DEVICECHANGE, &MainDialog::OnDeviceChange},
    {WM_DROPFILES, &MainDialog::OnDropFiles},
    {WM_CLOSE, &MainDialog::OnClose},
    {WM_HELP, &MainDialog::OnHelp},
    {WM_DESTROY, &MainDialog::OnDestroy},
};

MainDialog::MainDialog(Application& app)
    : ui::Dialog(IDD_MAIN),
      app_(app),
      icon_(ui::LoadIconResource(IDI_MAIN, ::GetSystemMetrics(SM_CXICON))),
      smallIcon_(ui::LoadIconResource(IDI_MAIN, ::GetSystemMetrics(SM_CXSMICON))),
      pages_(kPageArea),
      sidebar_(kSidebarPlace) {
  RegisterPlaceholderClasses();
  SetBackground(kWhite);
}

MainDialog::~MainDialog() { DestroyOwnedWindow(); }

bool MainDialog::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || ui::Dialog::OnMessage(m, result);
}

bool MainDialog::OnInitDialog() {
  SetUpSystemMenuAndIcons();
  app_.MarkAsRunning(Handle());
  app_.OpenSettings();
  SetUpStatusRow();
  MakeBorderless();
  titleStrip_.Create(Handle(), RECT{0, 0, kClientWidth, kTitleHeight}, IDB_TITLE_STRIP, kTitleSpots);
  SetUpPageArea();
  sidebar_.Attach(Handle());
  PlaceDecoration();
  // Files and folders from the file manager come as WM_DROPFILES, which the
  // shell gives any window that accepts files, with no OLE on this thread.
  // A drop target of our own would add only the cursor's drop effect; a drop
  // the page cannot take now is refused in words instead.
  ::DragAcceptFiles(Handle(), TRUE);
  ui::SetMainWindow(Handle());
  app_.StartMonitor(*this);
  return true;
}

void MainDialog::SetUpSystemMenuAndIcons() {
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
}

void MainDialog::SetUpStatusRow() {
  HWND hwnd = Handle();
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
}

void MainDialog::MakeBorderless() {
  HWND hwnd = Handle();
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
}

void MainDialog::SetUpPageArea() {
  AddMessageFilter(&pages_);
  ::MoveWindow(Item(IDC_PAGE_AREA), kPageArea.left, kPageArea.top, kPageArea.right - kPageArea.left,
               kPageArea.bottom - kPageArea.top, TRUE);
  CreatePages();
}

void MainDialog::PlaceDecoration() {
  // The decoration stands on the foot header in pixels, whatever size the
  // template's font gives the dialog units: it must not cover that header.
  if (HWND decoration = FindDecoration(Handle())) {
    RECT r{};
    ::GetWindowRect(decoration, &r);
    const int height = r.bottom - r.top;
    ::SetWindowPos(decoration, nullptr, kSidebarLeft, kSidebarFoot - sidebar_.HeaderHeight() - height, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
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

// ---- pages and the sidebar ----

void MainDialog::CreatePages() {
  if (downloadPage_.Create(Handle())) {
    pages_.SetPage(kDownloadPageSlot, downloadPage_);
    SharedState& state = app_.State();
    downloads_ = std::make_unique<download::DownloadController>(
        downloadPage_, download::DownloadContext{app_.Ui(), Handle(), &state.DriveLetter, &state.DownloadRunning,
                                                 &state.CurrentCategory, &app_.Settings()});
  }
  pages_.Show(kDownloadPageSlot);
}

// The organizer's page is made the first time it is asked for: most visits
// never open it, and under Wine it costs the start a tenth of its time.
void MainDialog::EnsureOrganizerPage() {
  if (!organizerPage_.Handle() && organizerPage_.Create(Handle())) pages_.SetPage(kOrganizerPageSlot, organizerPage_);
}

LRESULT MainDialog::OnCategorySelected(const ui::Message& m) {
  SelectEntry(static_cast<int>(m.lParam));
  return 0;
}

void MainDialog::SelectEntry(int entry) {
  const int slot = PageSlotOf(entry);
  if (slot < 0) return;
  app_.State().CurrentCategory = entry;
  // The mark moves to the chosen button even when the choice is refused.
  sidebar_.Choose(entry);
  if (downloads_ && downloads_->RefuseWhileBusy()) return;
  if (slot == kOrganizerPageSlot) EnsureOrganizerPage();
  pages_.Show(slot);
  if (slot == kDownloadPageSlot) {
    // The selection refreshes the page itself, also after a cancelled dialog.
    if (downloads_) downloads_->SelectCategory(entry, app_.Settings());
    return;
  }
  organizerPage_.ShowList(static_cast<std::uint32_t>(entry - kSidebarGroups[1].first));
  downloadPage_.UpdateSelectionStatus();
  downloadPage_.ShowLocalList();
}

LRESULT MainDialog::OnSwitchGroup(const ui::Message& m) {
  sidebar_.SwitchGroup(static_cast<int>(m.lParam));
  return 0;
}

void MainDialog::ShowLocalList() {
  // The device went away: a device list would show files no longer there.
  PostTask(app_.Ui(), [this] {
    if (!DownloadRunning(app_.State())) downloadPage_.ShowLocalList();
  });
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
  sidebar_.Paint(dc.Get());
  return 0;
}

void MainDialog::PaintFrame(HDC dc) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::FrameRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::MoveToEx(dc, 0, kTitleHeight, nullptr);
  ::LineTo(dc, client.right, kTitleHeight);
}

LRESULT MainDialog::OnQueryDragIcon(const ui::Message&) { return reinterpret_cast<LRESULT>(icon_.Get()); }

LRESULT MainDialog::OnLeftButtonDown(const ui::Message& m) {
  // Any bare point of the window drags it, as a title bar would.
  ::PostMessageW(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, m.lParam);
  return Default(m);
}

LRESULT MainDialog::OnDeviceChange(const ui::Message&) {
  // Whatever came or went (a volume, a device node), the monitor looks at
  // every drive again at its next poll; the question is answered there.
  app_.DrivesChanged();
  return TRUE;
}

LRESULT MainDialog::OnDropFiles(const ui::Message& m) {
  std::vector<std::string> paths = ui::TakeDroppedPaths(reinterpret_cast<HDROP>(m.wParam));
  // Whichever page is shown, the files go into the download page's PC list.
  if (downloads_ && downloads_->DropFiles(std::move(paths))) pages_.Show(kDownloadPageSlot);
  return 0;
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
  const std::wstring folder = platform::Wide(app_.ProgramFolder());
  // Newer Windows cannot show the old help format; our own page stands in.
  const auto opened = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, nullptr, kHelpFile, nullptr, folder.c_str(), SW_SHOWMAXIMIZED));
  if (opened <= 32) {
    ::ShellExecuteW(nullptr, L"open", (folder + kHelpPage).c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
  }
  return TRUE;
}

LRESULT MainDialog::OnWebSite(const ui::Message&) {
  ::ShellExecuteW(Handle(), L"open", kWebSite, L"", L"", SW_SHOW);
  return 0;
}

LRESULT MainDialog::OnIgnore(const ui::Message&) { return 0; }

// ---- the drive commands ----

LRESULT MainDialog::OnOpenDisk(const ui::Message&) {
  const char letter = app_.State().DriveLetter.load();
  if (letter == 0) {
    ui::WindowMessageBox(Handle(), kNotConnectedText, ui::ApplicationName(), MB_OK);
    return 0;
  }
  const std::wstring root = platform::Wide(std::string(1, letter) + ":\\");
  ::ShellExecuteW(Handle(), L"open", L"explorer.exe", root.c_str(), nullptr, SW_SHOW);
  return 0;
}

LRESULT MainDialog::OnCloseDisk(const ui::Message&) {
  if (app_.State().DriveLetter.load() == 0) {
    ui::WindowMessageBox(Handle(), kNotConnectedText, ui::ApplicationName(), MB_OK);
    return 0;
  }
  // The bridge is only looked up: nothing in the program ejects the device.
  if (ui::WindowMessageBox(Handle(), "要关闭U盘吗?", "提示", MB_YESNO) == IDYES) device::FindUsbBridge();
  return 0;
}

// ---- closing ----

LRESULT MainDialog::OnClose(const ui::Message&) {
  CloseApplication();
  return 0;
}

void MainDialog::CloseApplication() {
  if (downloads_ && downloads_->Downloading()) {
    // The download goes on while the box is open: the worker is told nothing.
    ui::AppMessageBox("关闭下载软件前，请先停止下载。");
    return;
  }
  if (ui::WindowMessageBox(Handle(), "你确定要关闭下载软件吗？", "提示", MB_YESNO) != IDYES) return;
  // Other work of the page (a listing, a deletion, files being taken in) is
  // stopped where it stands and waited for.
  if (downloads_) downloads_->Shutdown();
  downloadPage_.ReleaseRecords();
  app_.StopMonitor();
  EndDialog(IDOK);
}

LRESULT MainDialog::OnDestroy(const ui::Message& m) {
  // The worker is released and joined before the page it reports to goes.
  downloads_.reset();
  app_.StopMonitor();
  sidebar_.DestroyButtons();
  RemoveMessageFilter(&pages_);
  app_.ClearRunningMark(Handle());
  ui::SetMainWindow(nullptr);
  return Default(m);
}

}  // namespace dockline::app
