#pragma once
// A static text control that paints itself: one line of text in a chosen
// colour, optionally on a framed box or on a background picture. With hover
// effects on it behaves like a link: while the mouse is over it the text is
// blue, the pointer changes and the label holds the mouse capture (so that
// the move that leaves it still reaches it). A press reaches the parent as
// the control's click notification (STN_CLICKED).
#include <windows.h>

#include "ui/handles.h"
#include "ui/window.h"

namespace dockline::controls {

class LinkLabel : public ui::Window {
 public:
  static constexpr COLORREF kHoverText = RGB(0, 0, 255);
  static constexpr int kTextLeft = 4;

  // None of the setters repaints: they are meant for the owning dialog's
  // initialisation, before the first paint.
  void SetLabelTextColor(COLORREF colour) { textColour_ = colour; }
  void SetFrame(bool on, COLORREF colour) {
    framed_ = on;
    frameColour_ = colour;
  }
  void SetBoxColor(COLORREF colour) { boxColour_ = colour; }
  void EnableHover(bool on) { hoverEffects_ = on; }
  bool LoadBackgroundPicture(int bitmapId);
  void SetBackgroundPicture(ui::Bitmap picture) { picture_ = std::move(picture); }
  bool LoadHoverPointer(int cursorId);
  void SetHoverPointer(ui::Cursor cursor) { hoverPointer_ = std::move(cursor); }

  bool MouseInside() const { return mouseInside_; }
  COLORREF TextColour() const { return textColour_; }

  // Paints the label onto any DC (WM_PAINT and WM_PRINTCLIENT).
  void Paint(HDC dc);

 protected:
  void OnAttached() override;  // notify style, the parent's font
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnPaint(const ui::Message& m);
  LRESULT OnPrintClient(const ui::Message& m);
  LRESULT OnMouseMove(const ui::Message& m);
  LRESULT OnLeftButtonDown(const ui::Message& m);
  LRESULT OnCaptureChanged(const ui::Message& m);
  static const ui::Handler<LinkLabel> kMessages[];

  void RedrawNow();
  void Leave();

  ui::Cursor hoverPointer_;
  bool framed_ = false;
  bool mouseInside_ = false;
  bool hoverEffects_ = true;
  ui::Bitmap picture_;
  COLORREF textColour_ = RGB(0, 0, 0);
  COLORREF frameColour_ = RGB(0, 0, 0);
  COLORREF boxColour_ = RGB(255, 255, 255);
  COLORREF savedTextColour_ = RGB(0, 0, 0);
};

}  // namespace dockline::controls
