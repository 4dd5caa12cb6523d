#pragma once
// The page area of a window that shows one of several child pages in the same
// place. Pages are child windows made elsewhere (a child dialog from its
// template, with the host window as parent); the host places them, shows the
// one asked for and hides the others, and lets the shown page see the
// messages meant for it before the window around it does (its keys, its
// dialog navigation).
#include <windows.h>

#include <vector>

#include "ui/dialog.h"

namespace dockline::ui {

class PageHost : public MessageFilter {
 public:
  // `area` is in the parent's client pixels: left, top, right, bottom.
  explicit PageHost(const RECT& area) : area_(area) {}

  // Puts `page` into `slot` (0, 1, ...), moves it to the area and hides it.
  // `filter` (often the page's own Dialog) sees the page's messages while it
  // is shown. A later page in the same slot replaces the earlier one.
  void SetPage(int slot, HWND page, MessageFilter* filter = nullptr);
  void SetPage(int slot, Dialog& page) { SetPage(slot, page.Handle(), &page); }
  HWND Page(int slot) const;

  // Shows the page of `slot` and hides every other; answers false (and
  // changes nothing) when that slot holds no page.
  bool Show(int slot);
  // The slot shown, -1 for none.
  int Shown() const { return shown_; }
  const RECT& Area() const { return area_; }

  // The window moved: the shown page is hidden and shown again, so that it
  // repaints at its new place on the screen.
  void OnParentMoved();

  // Messages for the shown page or its controls go to its filter first.
  bool PreTranslateMessage(MSG& msg) override;

 private:
  struct Slot {
    HWND page = nullptr;
    MessageFilter* filter = nullptr;
  };
  RECT area_;
  std::vector<Slot> slots_;
  int shown_ = -1;
};

}  // namespace dockline::ui
