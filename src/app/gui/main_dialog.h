#pragma once
// The program's only top-level window: template 102 turned into a borderless,
// fixed-size 609 × 530 skinned window with a painted title strip and a status
// row (state lamp, free-space text). It owns the settings store and the device
// monitor, and it is where closing the program is confirmed.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/device_monitor.h"
#include "controls/bitmap_button.h"
#include "controls/flat_button.h"
#include "controls/link_label.h"
#include "download/download_path_store.h"
#include "ui/dialog.h"
#include "ui/handles.h"
#include "ui/ui_thread.h"

namespace dockline::app {

inline constexpr int kClientWidth = 609;
inline constexpr int kClientHeight = 530;
inline constexpr char kWindowText[] = "言途6170 下载软件";
inline constexpr wchar_t kInstanceMark[] = L"6170dockline";
// The state lamp's window text: never drawn, but read by screen readers and tests.
inline constexpr char kLampPresentText[] = "U盘已连接";
inline constexpr char kLampAbsentText[] = "U盘未连接";

struct TitleButton {
  RECT rect;
  int hoverImage;   // 0: none
  int normalImage;  // 0: none
};
extern const TitleButton kTitleButtons[4];

// Which title spot, if any, holds the client point (strict bounds).
int HitTitleButton(POINT p);

class MainDialog : public ui::Dialog, private MonitorView {
 public:
  explicit MainDialog(ui::UiPoster ui);
  ~MainDialog() override;

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
  LRESULT OnMouseMove(const ui::Message& m);
  LRESULT OnControlColour(const ui::Message& m);
  LRESULT OnIgnore(const ui::Message& m);
  LRESULT OnClose(const ui::Message& m);
  LRESULT OnMinimiseCommand(const ui::Message& m);
  LRESULT OnAbout(const ui::Message& m);
  LRESULT OnHelp(const ui::Message& m);
  LRESULT OnDestroy(const ui::Message& m);

  void PaintFrame(HDC dc);
  void DrawTitleButton(int index, int state);
  void CloseApplication();
  void StopMonitor();

  static const ui::Handler<MainDialog> kMessages[];

  ui::UiPoster ui_;
  // Tasks the monitor queued may run after the window is gone; they check this first.
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  int hoveredTitleButton_ = -1;
  download::DownloadPathStore settings_;
  ui::Brush background_;
  ui::Icon icon_;
  ui::Icon smallIcon_;
  // Loaded once: the spots are redrawn on every mouse move over the window.
  ui::Bitmap titleStrip_;
  ui::Bitmap titleImages_[4][2];  // [spot][0 hover, 1 normal]; empty where the spot has none
  controls::BitmapButton stateLamp_;
  controls::FlatButton openButton_;
  controls::FlatButton aboutButton_;
  controls::FlatButton closeDiskButton_;
  controls::LinkLabel stateLabel_;
  controls::LinkLabel logo_;
  std::unique_ptr<DeviceMonitor> monitor_;
};

}  // namespace dockline::app
