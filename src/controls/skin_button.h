#pragma once
// The sidebar's buttons.
//
// SkinButton: one per sidebar entry. An owner-drawn push button with a flat
// face that turns orange while the mouse rests on it, pale cyan when it has
// the focus or stands for the chosen entry, and light blue otherwise; the
// caption in Arial with a small icon to its left. A click tells the sidebar's
// host window which entry was chosen (WM_USER+2, 0, category index), sent and
// waited for; without a host nothing happens.
//
// HeaderButton: the group headers (controls 1000 and 1001): a bitmap button
// that knows its group. It takes its own click, remembers it, and asks its
// parent to switch to its group (WM_USER+1, 0, group index), sent and waited
// for; the parent receives no command.
#include <windows.h>

#include <string_view>

#include "app/shared_state.h"
#include "controls/bitmap_button.h"
#include "controls/hover_button.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace dockline::controls {

// What a SkinButton needs from the window that hosts the sidebar (the main
// window): where to send the click, and which entry is chosen now.
class SidebarHost {
 public:
  // The window that receives WM_USER+2; null while there is none.
  virtual HWND SidebarWindow() const = 0;
  // The sidebar entry chosen last, app::kNoEntry when none.
  virtual int SelectedEntry() const = 0;

 protected:
  ~SidebarHost() = default;
};

// The group-switch and category-selected messages to the sidebar's host.
inline constexpr UINT kGroupSwitchMessage = WM_USER + 1;
inline constexpr UINT kCategorySelectedMessage = WM_USER + 2;

class SkinButton : public HoverButton {
 public:
  static constexpr COLORREF kFrame = RGB(173, 227, 255);
  static constexpr COLORREF kHoverFace = RGB(255, 207, 132);
  static constexpr COLORREF kChosenFace = RGB(200, 250, 250);  // focused or the chosen entry
  static constexpr COLORREF kNormalFace = RGB(214, 227, 247);
  static constexpr COLORREF kIconTransparent = RGB(0, 0, 255);

  explicit SkinButton(const SidebarHost* host = nullptr);

  // A visible child push button; made owner-drawn on creation.
  bool Create(std::string_view caption, const RECT& rect, HWND parent, int id);
  // Sets the caption; loads the icon bitmap with that number (0: no icon).
  void SetCaptionAndIcon(std::string_view caption, int bitmapId);
  // The same with an icon made elsewhere (the button takes it).
  void SetCaptionAndIcon(std::string_view caption, ui::Bitmap icon);
  void SetCategoryIndex(int index) { categoryIndex_ = index; }

  // The owner-draw routine, on any DC.
  void Draw(HDC dc, const RECT& item, UINT itemState) override;

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnClicked(const ui::Message& m);
  static const ui::Handler<SkinButton> kMessages[];

  const SidebarHost* host_;
  int categoryIndex_ = 0;
  bool hasIcon_ = false;
  ui::Bitmap icon_;
  ui::Pen hoverPen_;
  ui::Font font_;  // made at the first paint, in the screen's resolution
};

class HeaderButton : public BitmapButton {
 public:
  void SetGroupIndex(int index) { groupIndex_ = index; }

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnClicked(const ui::Message& m);
  static const ui::Handler<HeaderButton> kMessages[];

  int groupIndex_ = 0;
};

}  // namespace dockline::controls
