#pragma once
// What the device will show for a file: its picture at the device's size in
// its four greys, drawn 1:1 on the device's screen, with its size and the
// bytes it takes on the device; or, for a book, the start of the text the
// device gets in a read-only box, with the bytes it takes and the characters
// made '?'. A modal dialog (template 205, "预览") opened from a row of the
// download page. The picture or text is made by the conversion the download
// itself runs, on a worker: the window answers while a large photo decodes
// or a long book converts, and closing the preview early leaves that work
// to end unseen, without waiting for it.
//
//   RowPreviews previews(ui);                       // lives as long as the page
//   previews.Open(mainWindow, entry, onDevice);     // returns once it is closed
//   previews.Shutdown();                            // the window is closing
#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "controls/flat_button.h"
#include "convert/picture_file.h"
#include "download/row_preview.h"
#include "ui/dialog.h"
#include "ui/handles.h"
#include "ui/ui_thread.h"
#include "ui/worker.h"

namespace dockline::download {

class PreviewDialog : public ui::Dialog {
 public:
  static constexpr int kScreenWidth = convert::kPictureMaxWidth;
  static constexpr int kScreenHeight = convert::kPictureMaxHeight;
  // The device's lightest grey, as its pictures' own level 3 is drawn.
  static constexpr COLORREF kScreenColour = RGB(255, 255, 255);
  static constexpr const char* kMakingText = "正在生成预览…";

  // Hands the finished preview over from any thread; dropped once the
  // dialog has gone.
  using Deliver = std::function<void(RowPreview)>;

  // `start` runs once the window stands, with the way back for the preview
  // it has made on a worker. `name` is the file's, shown under the picture
  // or text; `kind` is what the window is laid out for.
  PreviewDialog(ui::UiPoster ui, std::string name, PreviewKind kind, std::function<void(Deliver)> start);
  ~PreviewDialog() override;

 protected:
  bool OnInitDialog() override;
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  void Show(RowPreview preview);
  void LayOut();
  LRESULT OnPaint(const ui::Message& m);
  LRESULT OnDrawPicture(const ui::Message& m);
  LRESULT OnDestroy(const ui::Message& m);
  LRESULT OnMouseWheel(const ui::Message& m);
  bool ShowsText() const { return kind_ == PreviewKind::Text; }
  static const ui::Handler<PreviewDialog> kMessages[];

  ui::UiPoster ui_;
  std::string name_;
  PreviewKind kind_;
  std::function<void(Deliver)> start_;
  // The dialog as the deliveries find it: set and cleared on the UI thread only.
  std::shared_ptr<PreviewDialog*> self_;
  RECT screen_{};           // the device's screen, or the box of the text
  std::string failure_;     // the download's own words for a file it could not convert
  platform::Bytes bitmap_;  // the picture in its greys, as a bitmap file; empty until made
  controls::FlatButton close_;
};

// The previews of one page and the work behind them. One preview decodes or
// converts at a time: a large photo's decode costs hundreds of megabytes
// under Wine, and opening and closing its preview again and again must not
// pile them up. A preview closed before its picture or text came has its
// work stopped and left here, to end on its own and go at the next preview,
// or with the window; the next preview's work waits on its own thread until
// that work has ended (its own stop releases the wait), while its window
// already answers.
class RowPreviews {
 public:
  explicit RowPreviews(ui::UiPoster ui) : ui_(std::move(ui)) {}
  ~RowPreviews() { Shutdown(); }
  RowPreviews(const RowPreviews&) = delete;
  RowPreviews& operator=(const RowPreviews&) = delete;

  // The preview of a row's file (PreviewKindOf tells which rows have one),
  // over `owner`; returns once it is closed.
  void Open(HWND owner, FileEntry entry, bool onDevice);
  // Work still under way is released and waited for, messages flowing.
  void Shutdown();

 private:
  // Taken by the work that decodes; the others wait for it to be given back.
  struct Turn {
    std::mutex mutex;
    std::condition_variable_any given;
    bool taken = false;
  };

  ui::UiPoster ui_;
  bool closing_ = false;
  std::vector<std::unique_ptr<ui::Worker>> running_;
  std::shared_ptr<Turn> turn_ = std::make_shared<Turn>();
};

}  // namespace dockline::download
