#include "download/gui/download_page.h"

#include "download/category_table.h"
#include "download/download_run.h"
#include "resource.h"

namespace dockline::download {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT_PTR kRowsTimer = 2;

}  // namespace

const ui::Handler<DownloadPage> DownloadPage::kMessages[] = {
    {WM_COMMAND, BN_CLICKED, IDC_LOCAL_TAB, &DownloadPage::OnLocalTab},
    {WM_COMMAND, BN_CLICKED, IDC_DEVICE_TAB, &DownloadPage::OnDeviceTab},
    {WM_COMMAND, BN_CLICKED, IDC_DOWNLOAD, &DownloadPage::OnDownload},
    {WM_COMMAND, BN_CLICKED, IDC_SELECT_ALL, &DownloadPage::OnSelectAll},
    {WM_COMMAND, BN_CLICKED, IDC_INVERT, &DownloadPage::OnInvert},
    {WM_COMMAND, BN_CLICKED, IDC_DELETE, &DownloadPage::OnDelete},
    {WM_COMMAND, BN_CLICKED, IDC_STOP, &DownloadPage::OnStop},
    {WM_COMMAND, BN_CLICKED, IDC_VERIFY, &DownloadPage::OnVerify},
    {WM_COMMAND, BN_CLICKED, IDC_SKIP_UNCHANGED, &DownloadPage::OnSkip},
    {WM_COMMAND, CBN_SELCHANGE, IDC_TYPE_COMBO, &DownloadPage::OnTypeChange},
    {WM_NOTIFY, LVN_ITEMCHANGED, IDC_PC_LIST, &DownloadPage::OnPcItemChanged},
    {WM_NOTIFY, LVN_COLUMNCLICK, ui::kAny, &DownloadPage::OnColumnClick},
    {WM_NOTIFY, NM_DBLCLK, ui::kAny, &DownloadPage::OnRowDoubleClick},
    {WM_NOTIFY, NM_RETURN, ui::kAny, &DownloadPage::OnRowEnter},
    {WM_NOTIFY, LVN_DELETEITEM, ui::kAny, &DownloadPage::OnDeleteItem},
    {WM_NOTIFY, LVN_DELETEALLITEMS, ui::kAny, &DownloadPage::OnDeleteAllItems},
    {WM_NOTIFY, LVN_GETDISPINFOW, ui::kAny, &DownloadPage::OnDisplayInfo},
    {WM_HELP, &DownloadPage::OnHelp},
    {WM_TIMER, &DownloadPage::OnTimer},
    {WM_DESTROY, &DownloadPage::OnDestroy},
};

DownloadPage::DownloadPage() : ui::Page(IDD_DOWNLOAD_PAGE) { SetBackground(kWhite); }

DownloadPage::~DownloadPage() {
  // The window goes before the records it shows.
  if (Handle()) Destroy();
  ReleaseRecords();
}

bool DownloadPage::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || ui::Page::OnMessage(m, result);
}

bool DownloadPage::OnInitDialog() {
  HWND hwnd = Handle();
  pcList_.Bind(hwnd, IDC_PC_LIST);
  deviceList_.Bind(hwnd, IDC_DEVICE_LIST);
  banner_.AttachDlgItem(hwnd, IDC_PAGE_BANNER);
  localTab_.AttachDlgItem(hwnd, IDC_LOCAL_TAB);
  deviceTab_.AttachDlgItem(hwnd, IDC_DEVICE_TAB);
  downloadButton_.AttachDlgItem(hwnd, IDC_DOWNLOAD);
  selectAllButton_.AttachDlgItem(hwnd, IDC_SELECT_ALL);
  invertButton_.AttachDlgItem(hwnd, IDC_INVERT);
  deleteButton_.AttachDlgItem(hwnd, IDC_DELETE);
  overallBar_.AttachDlgItem(hwnd, IDC_OVERALL_BAR);
  fileBar_.AttachDlgItem(hwnd, IDC_FILE_BAR);
  typeCombo_.Bind(hwnd, IDC_TYPE_COMBO);
  for (std::string_view label : CategoryTable::labels()) typeCombo_.Add(label);

  PlaceRunControls();
  banner_.SetLabelTextColor(kWhite);
  banner_.SetFrame(true, kBannerBlue);
  banner_.SetBoxColor(kBannerBlue);
  banner_.EnableHover(false);

  UpdateSelectionStatus();
  for (int id : {IDC_DEVICE_LIST, IDC_RUN_TEXT, IDC_OVERALL_BAR, IDC_FILE_BAR, IDC_STOP, IDC_TYPE_LABEL,
                 IDC_TYPE_COMBO, IDC_DOWNLOAD_PICTURE, IDC_RUN_COUNTER}) {
    ShowItem(id, false);
  }
  ShowItem(IDC_PC_LIST, true);
  return true;
}

// The device list lies on the PC list; a run's controls over the list area.
void DownloadPage::PlaceRunControls() {
  RECT r{};
  ::GetWindowRect(pcList_.Handle(), &r);
  ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
  ::MoveWindow(deviceList_.Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
  const int left = r.left, top = r.top, x = left + 215;
  struct Place {
    int id, x, y, w, h;
  };
  const Place places[] = {
      {IDC_RUN_TEXT, x, top + 150, 200, 30},       {IDC_FILE_BAR, x, top + 180, 200, 20},
      {IDC_OVERALL_BAR, x, top + 200, 200, 20},    {IDC_STOP, left + 275, top + 230, 80, 20},
      {IDC_RUN_COUNTER, left + 265, top + 260, 150, 20},
  };
  for (const Place& p : places) ::MoveWindow(Item(p.id), p.x, p.y, p.w, p.h, FALSE);
}

// ---- views ----

void DownloadPage::ShowLocalList() {
  ShowItem(IDC_PC_LIST, true);
  for (int id : {IDC_DEVICE_LIST, IDC_TYPE_LABEL, IDC_TYPE_COMBO}) ShowItem(id, false);
  ShowItem(IDC_DOWNLOAD, true);
  ShowItem(IDC_VERIFY, true);
  ShowItem(IDC_SKIP_UNCHANGED, true);
  view_ = View::Local;
  ShowItem(IDC_SELECTION_STATUS, true);
  ShowItem(IDC_PAGE_BANNER, true);
  UpdateSelectionStatus();
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void DownloadPage::ShowDeviceView(int category) {
  ShowItem(IDC_DEVICE_LIST, true);
  ShowItem(IDC_PC_LIST, false);
  ShowItem(IDC_TYPE_LABEL, true);
  ShowItem(IDC_TYPE_COMBO, true);
  typeCombo_.Select(category);
  for (int id : {IDC_DOWNLOAD, IDC_VERIFY, IDC_SKIP_UNCHANGED, IDC_SELECTION_STATUS, IDC_PAGE_BANNER}) ShowItem(id, false);
  view_ = View::Device;
}

void DownloadPage::EnterDownloadView() {
  for (int id : {IDC_DOWNLOAD_PICTURE, IDC_RUN_TEXT, IDC_OVERALL_BAR, IDC_FILE_BAR, IDC_STOP, IDC_RUN_COUNTER})
    ShowItem(id, true);
  for (int id : {IDC_DELETE, IDC_LOCAL_TAB, IDC_DOWNLOAD, IDC_VERIFY, IDC_SKIP_UNCHANGED, IDC_INVERT, IDC_SELECT_ALL,
                 IDC_DEVICE_TAB, IDC_PC_LIST, IDC_PAGE_BANNER, IDC_SELECTION_STATUS}) {
    ShowItem(id, false);
  }
}

void DownloadPage::RestoreListView() {
  ShowItem(IDC_RUN_COUNTER, false);
  SetItemText(IDC_RUN_COUNTER, CounterText(0, 0));
  for (int id : {IDC_DELETE, IDC_LOCAL_TAB, IDC_DOWNLOAD, IDC_VERIFY, IDC_SKIP_UNCHANGED, IDC_INVERT, IDC_SELECT_ALL,
                 IDC_DEVICE_TAB})
    ShowItem(id, true);
  for (int id : {IDC_RUN_TEXT, IDC_OVERALL_BAR, IDC_FILE_BAR, IDC_STOP}) ShowItem(id, false);
  banner_.SetText(kBannerText);
  ShowItem(IDC_PAGE_BANNER, true);
  ShowItem(IDC_PC_LIST, true);
  ShowItem(IDC_DOWNLOAD_PICTURE, false);
  ShowItem(IDC_SELECTION_STATUS, true);
}

void DownloadPage::WatchProgress(const DownloadProgress& progress) {
  if (!Handle()) return;
  progress_ = &progress;
  runViewShown_ = false;
  shownTexts_ = ~0u;
  ::SetTimer(Handle(), kProgressTimer, kProgressPeriodMs, nullptr);
}

void DownloadPage::UnwatchProgress() {
  if (Handle()) ::KillTimer(Handle(), kProgressTimer);
  if (runViewShown_) RestoreListView();
  runViewShown_ = false;
  progress_ = nullptr;
}

void DownloadPage::ShowProgress(const DownloadProgress& progress) {
  if (progress.active && !runViewShown_) {
    EnterDownloadView();
    runViewShown_ = true;
  }
  if (!runViewShown_) return;
  overallBar_.SetRange(0, static_cast<int>(progress.overallRange.load()));
  overallBar_.SetPos(static_cast<int>(progress.overallPosition.load()));
  fileBar_.SetRange(0, kFileSteps);
  fileBar_.SetPos(progress.fileSteps.load());
  if (const unsigned version = progress.TextVersion(); version != shownTexts_) {
    shownTexts_ = version;
    SetItemText(IDC_RUN_TEXT, progress.Status());
    SetItemText(IDC_RUN_COUNTER, progress.Counter());
  }
}

void DownloadPage::WatchRows(bool on) {
  if (!Handle()) return;
  if (on) {
    ::SetTimer(Handle(), kRowsTimer, kRowsPeriodMs, nullptr);
  } else {
    ::KillTimer(Handle(), kRowsTimer);
  }
}

void DownloadPage::EnableDownload(bool on) { ::EnableWindow(Item(IDC_DOWNLOAD), on ? TRUE : FALSE); }

bool DownloadPage::VerifyChecked() const { return ::IsDlgButtonChecked(Handle(), IDC_VERIFY) == BST_CHECKED; }

void DownloadPage::SetVerifyChecked(bool on) {
  ::CheckDlgButton(Handle(), IDC_VERIFY, on ? BST_CHECKED : BST_UNCHECKED);
}

bool DownloadPage::SkipChecked() const { return ::IsDlgButtonChecked(Handle(), IDC_SKIP_UNCHANGED) == BST_CHECKED; }

void DownloadPage::SetSkipChecked(bool on) {
  ::CheckDlgButton(Handle(), IDC_SKIP_UNCHANGED, on ? BST_CHECKED : BST_UNCHECKED);
}

void DownloadPage::ReleaseRecords() {
  if (Handle()) {
    pcList_.Clear();
    deviceList_.Clear();
  } else {
    pcList_.OnAllRowsDeleted();
    deviceList_.OnAllRowsDeleted();
  }
}

// ---- the lists ----

void DownloadPage::SetBusy(bool busy) {
  busy_ = busy;
  for (int id : {IDC_DOWNLOAD, IDC_DELETE, IDC_SELECT_ALL, IDC_INVERT, IDC_LOCAL_TAB, IDC_DEVICE_TAB, IDC_TYPE_COMBO})
    ::EnableWindow(Item(id), busy ? FALSE : TRUE);
}

void DownloadPage::UpdateSelectionStatus() { SetItemText(IDC_SELECTION_STATUS, pcList_.Summary().Text()); }

FileListView* DownloadPage::ListOf(UINT_PTR id) {
  if (id == IDC_PC_LIST) return &pcList_;
  if (id == IDC_DEVICE_LIST) return &deviceList_;
  return nullptr;
}

// ---- handlers ----

LRESULT DownloadPage::OnLocalTab(const ui::Message&) {
  if (!busy_) ShowLocalList();
  return 0;
}

LRESULT DownloadPage::OnDeviceTab(const ui::Message&) {
  if (commands_.showDeviceList) commands_.showDeviceList();
  return 0;
}

LRESULT DownloadPage::OnDownload(const ui::Message&) {
  if (commands_.download) commands_.download();
  return 0;
}

LRESULT DownloadPage::OnSelectAll(const ui::Message&) {
  if (!busy_ && commands_.tickAll) commands_.tickAll(false);
  return 0;
}

LRESULT DownloadPage::OnInvert(const ui::Message&) {
  if (!busy_ && commands_.tickAll) commands_.tickAll(true);
  return 0;
}

LRESULT DownloadPage::OnDelete(const ui::Message&) {
  if (commands_.deleteChecked) commands_.deleteChecked();
  return 0;
}

LRESULT DownloadPage::OnStop(const ui::Message&) {
  if (commands_.stop) commands_.stop();
  return 0;
}

LRESULT DownloadPage::OnVerify(const ui::Message&) {
  if (commands_.verifyChanged) commands_.verifyChanged(VerifyChecked());
  return 0;
}

LRESULT DownloadPage::OnSkip(const ui::Message&) {
  if (commands_.skipChanged) commands_.skipChanged(SkipChecked());
  return 0;
}

LRESULT DownloadPage::OnTimer(const ui::Message& m) {
  if (m.wParam == kProgressTimer) {
    if (progress_) ShowProgress(*progress_);
    if (commands_.progressShown) commands_.progressShown();
  } else if (m.wParam == kRowsTimer) {
    if (commands_.rowsDue) commands_.rowsDue();
  }
  return 0;
}

LRESULT DownloadPage::OnTypeChange(const ui::Message&) {
  if (commands_.deviceCategory) commands_.deviceCategory(typeCombo_.Selected());
  return 0;
}

LRESULT DownloadPage::OnPcItemChanged(const ui::Message& m) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(m.lParam);
  // Only a tick changes the status line; selection and focus moves do not.
  const bool tickChanged =
      (change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK);
  // While work changes rows in bulk, the status line is counted once a batch.
  if (!busy_ && tickChanged) UpdateSelectionStatus();
  return 0;
}

LRESULT DownloadPage::OnColumnClick(const ui::Message& m) {
  const auto* click = reinterpret_cast<const NMLISTVIEW*>(m.lParam);
  // Work under way holds rows by their places: they stay where they are.
  if (busy_) return 0;
  if (FileListView* list = ListOf(click->hdr.idFrom)) list->SortByColumn(click->iSubItem);
  return 0;
}

LRESULT DownloadPage::OnRowDoubleClick(const ui::Message& m) {
  const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(m.lParam);
  FileListView* list = ListOf(click->hdr.idFrom);
  if (!list || click->iItem < 0 || !commands_.openRow) return 0;
  // A double click on a tick box ticks and unticks; it opens nothing.
  LVHITTESTINFO hit{};
  hit.pt = click->ptAction;
  list->List().Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (!(hit.flags & LVHT_ONITEMSTATEICON)) commands_.openRow(*list, click->iItem);
  return 0;
}

LRESULT DownloadPage::OnRowEnter(const ui::Message& m) {
  FileListView* list = ListOf(reinterpret_cast<const NMHDR*>(m.lParam)->idFrom);
  if (!list || !commands_.openRow) return 0;
  const auto row = static_cast<int>(list->List().Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
  if (row >= 0) commands_.openRow(*list, row);
  return 0;
}

bool DownloadPage::PreTranslateMessage(MSG& msg) {
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
      (msg.hwnd == pcList_.Handle() || msg.hwnd == deviceList_.Handle())) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
  }
  return ui::Dialog::PreTranslateMessage(msg);
}

LRESULT DownloadPage::OnDeleteItem(const ui::Message& m) {
  const auto* item = reinterpret_cast<const NMLISTVIEW*>(m.lParam);
  if (FileListView* list = ListOf(item->hdr.idFrom)) list->OnRowDeleted(item->lParam);
  return 0;
}

LRESULT DownloadPage::OnDeleteAllItems(const ui::Message& m) {
  const auto* hdr = reinterpret_cast<const NMHDR*>(m.lParam);
  if (FileListView* list = ListOf(hdr->idFrom)) list->OnAllRowsDeleted();
  return TRUE;  // no delete notification per row: the records are gone already
}

LRESULT DownloadPage::OnDisplayInfo(const ui::Message& m) {
  auto* info = reinterpret_cast<NMLVDISPINFOW*>(m.lParam);
  if (const FileListView* list = ListOf(info->hdr.idFrom)) list->OnDisplayInfo(*info);
  return 0;
}

LRESULT DownloadPage::OnHelp(const ui::Message& m) {
  // Help belongs to the main window, whichever child the user pressed F1 in.
  if (HWND parent = ::GetParent(Handle())) return ::SendMessageW(parent, WM_HELP, m.wParam, m.lParam);
  return TRUE;
}

LRESULT DownloadPage::OnDestroy(const ui::Message& m) {
  // The lists go with the page: their records with them.
  pcList_.OnAllRowsDeleted();
  deviceList_.OnAllRowsDeleted();
  return Default(m);
}

}  // namespace dockline::download
