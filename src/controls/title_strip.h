#pragma once
// The painted title strip across the top of a borderless window: one picture
// with hot spots on it (help, minimise, close...). The spot under the mouse
// shows its hover image; when the mouse moves off it, or leaves the strip,
// the strip's own picture shows again. A press on a spot sends its command to
// the parent (WM_COMMAND, the spot's id, no control), and a press anywhere on
// the strip then drags the parent as a caption would.
#include <windows.h>

#include <span>
#include <vector>

#include "ui/handles.h"
#include "ui/window.h"

namespace dockline::controls {

struct TitleSpot {
  RECT rect;         // in strip pixels; a point is on it strictly inside
  int hoverImage;    // bitmap resource, 0: none
  UINT command;      // sent to the parent on a press, 0: none
};

class TitleStrip : public ui::Window {
 public:
  // A visible child of `parent` covering `rect`, showing bitmap `picture`.
  bool Create(HWND parent, const RECT& rect, int picture, std::span<const TitleSpot> spots);

  // The spot holding the point (strip pixels), -1 for none.
  int HitTest(POINT p) const;
  int Hovered() const { return hovered_; }

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnPaint(const ui::Message& m);
  LRESULT OnPrintClient(const ui::Message& m);
  void Paint(HDC dc);
  LRESULT OnEraseBackground(const ui::Message& m);
  LRESULT OnMouseMove(const ui::Message& m);
  LRESULT OnMouseLeave(const ui::Message& m);
  LRESULT OnLeftButtonDown(const ui::Message& m);
  static const ui::Handler<TitleStrip> kMessages[];

  void SetHovered(int spot);
  void InvalidateSpot(int spot);

  struct Spot {
    TitleSpot spot;
    ui::Bitmap hover;
  };
  ui::Bitmap picture_;
  std::vector<Spot> spots_;
  int hovered_ = -1;
  bool tracking_ = false;
};

}  // namespace dockline::controls
