#pragma once
// A progress bar that keeps its own range, position and step and paints
// itself: the done part in the highlight colour, the rest in the window
// colour, and a caption centred on the whole control that changes colour
// where the bar ends. The caption is the percentage ("42%") unless a window
// text has been set, which is then shown instead.
//
// Driven on the UI thread: the download page's timer reads the download's
// progress record and sets the bars. A position that moves the bar by a
// whole pixel invalidates it; the paint follows when the thread next pumps.
#include <windows.h>

#include <string>

#include "ui/handles.h"
#include "ui/window.h"

namespace dockline::controls {

class TextProgressBar : public ui::Window {
 public:
  TextProgressBar();

  void SetRange(int lower, int upper);
  // Answers the previous position, or -1 (nothing stored) without a window.
  int SetPos(int position);
  int StepIt() { return SetPos(position_ + step_); }
  void SetStep(int step) { step_ = step; }

  // The window text shown instead of the percentage; "" for none.
  const std::string& Caption() const { return caption_; }

  // Paints the control onto any DC (WM_PAINT and WM_PRINTCLIENT).
  void Paint(HDC dc);

 protected:
  void OnAttached() override;
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

  int position_ = 0;
  int step_ = 1;
  int upper_ = 100;
  int lower_ = 0;
  std::string caption_;  // UTF-8
  ui::Font captionFont_;  // empty where the DC's own font has its 96-dpi size
  int lastBarWidth_ = -1;  // at the last repaint decision; -1: repaint at the next position
  const COLORREF barColour_;
  const COLORREF backgroundColour_;
  const COLORREF captionOverBackground_;
  const COLORREF captionOverBar_;
};

}  // namespace dockline::controls
