#pragma once
// The hover state machine of the skinned buttons. The first mouse move asks
// the system for a hover and a leave notification (hover after 1 ms); no
// further request is made until the leave notification has come, so moving
// within the button costs nothing. The hover notification lights the button,
// the leave notification puts it out.
#include <windows.h>

namespace dockline::controls {

class HoverTracking {
 public:
  // WM_MOUSEMOVE. Answers whether a request was made now.
  bool OnMouseMove(HWND hwnd);
  void OnHover() { hover_ = true; }
  void OnLeave() {
    hover_ = false;
    tracking_ = false;
  }
  bool Hover() const { return hover_; }

 private:
  bool hover_ = false;
  bool tracking_ = false;
};

inline bool HoverTracking::OnMouseMove(HWND hwnd) {
  if (tracking_) return false;
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof tme;
  tme.dwFlags = TME_HOVER | TME_LEAVE;
  tme.hwndTrack = hwnd;
  tme.dwHoverTime = 1;
  tracking_ = ::TrackMouseEvent(&tme) != FALSE;
  return true;
}

}  // namespace dockline::controls
