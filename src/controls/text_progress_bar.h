#pragma once
// A progress bar that keeps its own range, position and step and paints
// itself: the done part in the highlight colour, the rest in the window
// colour, and a caption centred on the whole control that changes colour
// where the bar ends. The caption is the percentage ("42%") unless a window
// text has been set, which is then shown instead.
//
// Threads: SetRange, SetPos, StepIt and SetStep are called by the download
// worker. They touch only atomic values and, when the bar's pixel width
// changes, invalidate the window; the paint happens on the UI thread whenever
// it next pumps. The worker never waits for the UI thread, so a busy or
// blocked UI thread cannot stall a download. Window messages (paint, size,
// text) are handled on the UI thread.
#include <windows.h>

#include <atomic>
#include <string>

#include "ui/handles.h"
#include "ui/window.h"

namespace dockline::controls {

class TextProgressBar : public ui::Window {
 public:
  TextProgressBar();

  // Worker-side operations.
  void SetRange(int lower, int upper);
  // Answers the previous position, or -1 (nothing stored) without a window.
  int SetPos(int position);
  int StepIt() { return SetPos(position_.load() + step_.load()); }
  void SetStep(int step) { step_.store(step); }

  int Pos() const { return position_.load(); }
  int Lower() const { return lower_.load(); }
  int Upper() const { return upper_.load(); }
  int Step() const { return step_.load(); }
  void SetShowCaption(bool show) { showCaption_ = show; }
  // How many repaints SetPos has asked for.
  const std::string& Caption() const { return caption_; }

  COLORREF BarColour() const { return barColour_; }
  COLORREF BackgroundColour() const { return backgroundColour_; }

  // Paints the control onto any DC (WM_PAINT and WM_PRINTCLIENT).
  void Paint(HDC dc);

 protected:
  void OnAttached() override;
  void OnDetached() override;
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnPaint(const ui::Message& m);
  LRESULT OnPrintClient(const ui::Message& m);
  LRESULT OnEraseBackground(const ui::Message& m);
  LRESULT OnSize(const ui::Message& m);
  LRESULT OnSetText(const ui::Message& m);
  LRESULT OnGetText(const ui::Message& m);
  LRESULT OnGetTextLength(const ui::Message& m);
  static const ui::Handler<TextProgressBar> kMessages[];

  static double Fraction(int position, int lower, int upper);
  static int BarWidth(double fraction, int clientWidth);
  void StoreClientWidth();

  std::atomic<int> position_{0};
  std::atomic<int> step_{1};
  std::atomic<int> upper_{100};
  std::atomic<int> lower_{0};
  std::string caption_;  // UTF-8; UI thread only
  ui::Font captionFont_;  // empty where the DC's own font has its 96-dpi size
  bool showCaption_ = true;
  std::atomic<int> lastBarWidth_{-1};
  std::atomic<int> clientWidth_{0};
  std::atomic<HWND> window_{nullptr};  // the handle as the worker may read it
  const COLORREF barColour_;
  const COLORREF backgroundColour_;
  const COLORREF captionOverBackground_;
  const COLORREF captionOverBar_;
};

}  // namespace dockline::controls
