#pragma once
// The program's only top-level window: template 102 turned into a borderless,
// fixed-size 609 × 530 skinned window with a painted title strip, a status
// row (state lamp, free-space text) and a page area. It is where closing the
// program is confirmed. What outlives it (settings, shared state, the
// monitor) belongs to the application object.
#include <windows.h>

#include <string>

#include "app/device_monitor.h"
#include "app/gui/application.h"
#include "controls/bitmap_button.h"
#include "controls/flat_button.h"
#include "controls/link_label.h"
#include "controls/title_strip.h"
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

// Commands no control carries: the title strip's spots send them, and so may
// anyone who wants the window minimised or closed.
inline constexpr UINT kCloseCommand = 1009;
inline constexpr UINT kMinimiseCommand = 1010;
inline constexpr UINT kHelpCommand = IDHELP;

extern const controls::TitleSpot kTitleSpots[4];

class MainDialog : public ui::Dialog, private MonitorView {
 public:
  explicit MainDialog(Application& app);
  ~MainDialog() override;

  // The page area (121, 49) → (608, 529).
  ui::PageHost& Pages() { return pages_; }

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
  LRESULT OnControlColour(const ui::Message& m);
  LRESULT OnIgnore(const ui::Message& m);
  LRESULT OnClose(const ui::Message& m);
  LRESULT OnMinimiseCommand(const ui::Message& m);
  LRESULT OnAbout(const ui::Message& m);
  LRESULT OnHelp(const ui::Message& m);
  LRESULT OnMove(const ui::Message& m);
  LRESULT OnTestSetDownloadRunning(const ui::Message& m);
  LRESULT OnDestroy(const ui::Message& m);

  void PaintFrame(HDC dc);
  void CloseApplication();

  static const ui::Handler<MainDialog> kMessages[];

  Application& app_;
  ui::Brush background_;
  ui::Icon icon_;
  ui::Icon smallIcon_;
  ui::PageHost pages_;
  controls::TitleStrip titleStrip_;
  controls::BitmapButton stateLamp_;
  controls::FlatButton openButton_;
  controls::FlatButton aboutButton_;
  controls::FlatButton closeDiskButton_;
  controls::LinkLabel stateLabel_;
  controls::LinkLabel logo_;
};

}  // namespace dockline::app
