#pragma once
// The program's only top-level window: template 102 turned into a borderless,
// fixed-size 609 × 530 skinned window with a painted title strip, a status
// row (state lamp, free-space text), the sidebar (two group headers, the
// buttons of the expanded group) and a page area. It is where closing the
// program is confirmed. What outlives it (settings, shared state, the
// monitor) belongs to the application object.
#include <windows.h>

#include <memory>
#include <string>

#include "app/device_monitor.h"
#include "app/gui/application.h"
#include "app/gui/sidebar.h"
#include "controls/bitmap_button.h"
#include "controls/flat_button.h"
#include "controls/link_label.h"
#include "controls/title_strip.h"
#include "download/gui/download_controller.h"
#include "download/gui/download_page.h"
#include "organizer/gui/organizer_page.h"
#include "ui/dialog.h"
#include "ui/handles.h"
#include "ui/page_host.h"

namespace dockline::app {

inline constexpr int kClientWidth = 609;
inline constexpr int kClientHeight = 530;
inline constexpr char kWindowText[] = "言途6170 下载软件";
// The state lamp's window text: never drawn, but read by screen readers and tests.
inline constexpr char kLampPresentText[] = "U盘已连接";
inline constexpr char kLampAbsentText[] = "U盘未连接";
inline constexpr char kNotConnectedText[] = "U盘还没有连接上,请连接";

// Commands no control carries: the title strip's spots send them, and so may
// anyone who wants the window minimised or closed.
inline constexpr UINT kCloseCommand = 1009;
inline constexpr UINT kMinimiseCommand = 1010;
inline constexpr UINT kHelpCommand = IDHELP;

extern const controls::TitleSpot kTitleSpots[4];

// Where the logo leads.
inline constexpr wchar_t kWebSite[] = L"https://dockline.example.org/";
// The help file asked for first, and the page of our own opened when the
// shell cannot open that one; both beside the program.
inline constexpr wchar_t kHelpFile[] = L"言途6170 DOCKLINE.HLP";
inline constexpr wchar_t kHelpPage[] = L"dockline-help.html";

// The page slots of the page area.
inline constexpr int kDownloadPageSlot = 0;
inline constexpr int kOrganizerPageSlot = 1;
// The slot showing the page of a sidebar entry, -1 for none.
int PageSlotOf(int entry);

class MainDialog : public ui::Dialog, private MonitorView {
 public:
  explicit MainDialog(Application& app);
  ~MainDialog() override;

  // The page area (121, 49) → (608, 529). Pages are child dialogs of this
  // window (ui::Dialog::Create(Handle())) put into their slots with
  // Pages().SetPage(kDownloadPageSlot, page).
  ui::PageHost& Pages() { return pages_; }
  download::DownloadPage& DownloadPage() { return downloadPage_; }

 protected:
  bool OnInitDialog() override;
  bool PreTranslateMessage(MSG& msg) override;
  bool OnMessage(const ui::Message& m, LRESULT& result) override;
  void OnOK() override {}
  void OnCancel() override {}

 private:
  // MonitorView, called on the monitor's thread: each hands its work to the UI thread.
  void SetFreeSpaceText(const std::string& utf8) override;
  void SetDevicePresent(bool present) override;
  void ShowLocalList() override;

  LRESULT OnSysCommand(const ui::Message& m);
  LRESULT OnPaint(const ui::Message& m);
  LRESULT OnQueryDragIcon(const ui::Message& m);
  LRESULT OnLeftButtonDown(const ui::Message& m);
  LRESULT OnIgnore(const ui::Message& m);
  LRESULT OnClose(const ui::Message& m);
  LRESULT OnMinimiseCommand(const ui::Message& m);
  LRESULT OnAbout(const ui::Message& m);
  LRESULT OnOpenDisk(const ui::Message& m);
  LRESULT OnCloseDisk(const ui::Message& m);
  LRESULT OnHelp(const ui::Message& m);
  LRESULT OnMove(const ui::Message& m);
  LRESULT OnDeviceChange(const ui::Message& m);
  LRESULT OnDropFiles(const ui::Message& m);
  LRESULT OnWebSite(const ui::Message& m);
  LRESULT OnSwitchGroup(const ui::Message& m);
  LRESULT OnCategorySelected(const ui::Message& m);
  LRESULT OnDestroy(const ui::Message& m);

  // The steps of OnInitDialog, in their order.
  void SetUpSystemMenuAndIcons();
  void SetUpStatusRow();
  void MakeBorderless();
  void SetUpPageArea();
  void PlaceDecoration();
  // Makes the pages and puts them into their slots; runs before the sidebar
  // is laid out.
  void CreatePages();
  void EnsureOrganizerPage();
  // A sidebar entry was chosen (WM_USER+2): remember it, show its page and,
  // for a download category, let the user choose files for it. Refused
  // while a download or other work of the download page is under way.
  void SelectEntry(int entry);

  void PaintFrame(HDC dc);
  void CloseApplication();

  static const ui::Handler<MainDialog> kMessages[];

  Application& app_;
  ui::Icon icon_;
  ui::Icon smallIcon_;
  // The pages go after the host: their windows die first.
  ui::PageHost pages_;
  download::DownloadPage downloadPage_;
  organizer::OrganizerPage organizerPage_;
  // Goes before the pages: its worker reports to the download page.
  std::unique_ptr<download::DownloadController> downloads_;
  controls::TitleStrip titleStrip_;
  controls::BitmapButton stateLamp_;
  controls::FlatButton openButton_;
  controls::FlatButton aboutButton_;
  controls::FlatButton closeDiskButton_;
  controls::LinkLabel stateLabel_;
  controls::LinkLabel logo_;
  Sidebar sidebar_;
};

}  // namespace dockline::app
