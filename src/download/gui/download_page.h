#pragma once
// The download page: the child dialog (template 131) in the main window's
// page area while a content category is chosen. Two views behind two tabs:
// 要下载, the PC list of files queued for the device, and 已下载, the device
// list. It owns both lists and their records, keeps the selection status line
// current, sorts a list by the column heading clicked, and hosts the controls
// a download shows while it runs (hidden until then).
//
// The work behind its commands (the download, the device listing, deletion,
// the chosen files) is the DownloadController's.
//
//   page.Create(mainWindow); page.Show();     // as a child, then moved into place
#include <windows.h>

#include <functional>

#include "controls/flat_button.h"
#include "controls/link_label.h"
#include "controls/text_progress_bar.h"
#include "download/download_run.h"
#include "download/gui/file_list_view.h"
#include "ui/control_refs.h"
#include "ui/page.h"

namespace dockline::download {

class DownloadPage : public ui::Page {
 public:
  enum class View { Local = 0, Device = 1 };

  static constexpr COLORREF kBannerBlue = RGB(0, 105, 165);
  static constexpr const char* kBannerText = "                                             请选择你要下载的文件";

  // How often a watched download's progress is shown, and how often a page
  // job's row changes are asked for.
  static constexpr UINT kProgressPeriodMs = 100;
  static constexpr UINT kRowsPeriodMs = 10;

  // The commands whose work arrives with the download and the device
  // listing; unset ones do nothing.
  struct Commands {
    std::function<void()> download;           // 下载
    std::function<void()> showDeviceList;     // 已下载
    std::function<void()> deleteChecked;      // 删除
    std::function<void(bool)> tickAll;        // 全选 (false), 反选 (true: every tick turned)
    std::function<void()> stop;               // 停止下载
    std::function<void(int)> deviceCategory;  // type combo: category chosen
    std::function<void(bool)> verifyChanged;  // 写入后校验 ticked or cleared by the user
    std::function<void(bool)> skipChanged;    // 跳过未改变的文件 likewise
    std::function<void()> progressShown;      // the watched progress was shown (WatchProgress)
    std::function<void()> rowsDue;            // time for a page job's next rows (WatchRows)
    std::function<void(FileListView&, int)> openRow;  // a row double-clicked, or Enter on it
  };

  DownloadPage();
  ~DownloadPage() override;

  void SetCommands(Commands commands) { commands_ = std::move(commands); }
  void Show(bool on = true) { ::ShowWindow(Handle(), on ? SW_SHOWNORMAL : SW_HIDE); }

  // ---- the two views ----
  View CurrentView() const { return view_; }
  // The 要下载 tab: the PC list with its status line and the banner.
  void ShowLocalList();
  // The 已下载 tab's switch of controls, category 0..8 selected in the type
  // combo; the device listing fills the list afterwards.
  void ShowDeviceView(int category);
  // Frees the records of every device-list row and removes the rows.
  void ClearDeviceList() { deviceList_.Clear(); }
  // Frees every record of both lists (the window is closing).
  void ReleaseRecords();

  // ---- the lists ----
  FileListView& PcList() { return pcList_; }
  FileListView& DeviceList() { return deviceList_; }
  // The list of the view shown.
  FileListView& CurrentList() { return view_ == View::Device ? deviceList_ : pcList_; }
  // While work of the page adds, deletes or holds rows: the commands that
  // would meet it (下载, 删除, 全选, 反选, the tabs, the type combo, sorting)
  // are off, and ticks do not recount the status line one by one.
  void SetBusy(bool busy);
  bool Busy() const { return busy_; }
  // "已选文件：n/N，共K(KB)" over the PC list, whichever view is shown.
  void UpdateSelectionStatus();

  // The 写入后校验 box beside 下载 and 跳过未改变的文件 under it: shown with the PC list.
  bool VerifyChecked() const;
  void SetVerifyChecked(bool on);
  bool SkipChecked() const;
  void SetSkipChecked(bool on);
  // 下载 takes no click while its command asks its questions.
  void EnableDownload(bool on);

  // ---- a download's controls ----
  // Shows the picture, run text, both bars, stop button and counter and
  // hides the lists and their buttons; RestoreListView undoes it.
  void EnterDownloadView();
  void RestoreListView();
  // The page's timer shows `progress` every kProgressPeriodMs, then tells
  // the progressShown command; UnwatchProgress stops it and brings the
  // list view back. `progress` must outlive the watch.
  void WatchProgress(const DownloadProgress& progress);
  void UnwatchProgress();
  // The bars and texts of a run: the download view comes up once the run is
  // under way, and stays until UnwatchProgress.
  void ShowProgress(const DownloadProgress& progress);
  // A page job's rows: the rowsDue command every kRowsPeriodMs while on.
  void WatchRows(bool on);

 protected:
  bool OnInitDialog() override;
  bool OnMessage(const ui::Message& m, LRESULT& result) override;
  // Enter on a list goes to the list, which tells the page (NM_RETURN): the
  // dialog manager would make it the main window's IDOK.
  bool PreTranslateMessage(MSG& msg) override;

 private:
  LRESULT OnLocalTab(const ui::Message& m);
  LRESULT OnDeviceTab(const ui::Message& m);
  LRESULT OnDownload(const ui::Message& m);
  LRESULT OnSelectAll(const ui::Message& m);
  LRESULT OnInvert(const ui::Message& m);
  LRESULT OnDelete(const ui::Message& m);
  LRESULT OnStop(const ui::Message& m);
  LRESULT OnVerify(const ui::Message& m);
  LRESULT OnSkip(const ui::Message& m);
  LRESULT OnTypeChange(const ui::Message& m);
  LRESULT OnPcItemChanged(const ui::Message& m);
  LRESULT OnColumnClick(const ui::Message& m);
  LRESULT OnRowDoubleClick(const ui::Message& m);
  LRESULT OnRowEnter(const ui::Message& m);
  LRESULT OnDeleteItem(const ui::Message& m);
  LRESULT OnDeleteAllItems(const ui::Message& m);
  LRESULT OnDisplayInfo(const ui::Message& m);
  LRESULT OnHelp(const ui::Message& m);
  LRESULT OnTimer(const ui::Message& m);
  LRESULT OnDestroy(const ui::Message& m);
  static const ui::Handler<DownloadPage> kMessages[];

  FileListView* ListOf(UINT_PTR id);
  void PlaceRunControls();
  void ShowItem(int id, bool on) { ::ShowWindow(Item(id), on ? SW_SHOW : SW_HIDE); }

  View view_ = View::Local;
  bool busy_ = false;
  Commands commands_;
  FileListView pcList_;
  FileListView deviceList_;
  controls::LinkLabel banner_;
  controls::FlatButton localTab_, deviceTab_, downloadButton_, selectAllButton_, invertButton_, deleteButton_;
  controls::TextProgressBar overallBar_, fileBar_;
  ui::ComboBoxRef typeCombo_;
  const DownloadProgress* progress_ = nullptr;  // watched
  bool runViewShown_ = false;
  unsigned shownTexts_ = ~0u;  // the progress texts' version on screen
};

}  // namespace dockline::download
