#pragma once
// The sidebar: a column of two group headers (the window's buttons 1000 and
// 1001) with the buttons of the expanded group between them, on a pale blue
// fill. Only one group is open at a time; its buttons are made when it opens
// and destroyed when it folds, so a group's buttons exist only while shown.
//
// The window that holds the headers is the sidebar's host: it receives a
// header's click (WM_USER+1, group) and a button's (WM_USER+2, entry), and
// answers them with SwitchGroup and Choose; its WM_PAINT calls Paint.
//
//   sidebar.Attach(window);                         // after the headers exist
//   case kGroupSwitchMessage: sidebar.SwitchGroup(lParam);
//   case kCategorySelectedMessage: sidebar.Choose(lParam); ...
#include <windows.h>

#include <array>
#include <memory>

#include "controls/skin_button.h"
#include "ui/handles.h"

namespace dockline::app {

// One row per entry (0..8 the download categories, 9..13 the organizer
// entries) and the two groups they form.
struct SidebarEntry {
  const char* caption;
  int icon;  // bitmap resource; IDB_ICON_NONE: no icon
};
extern const SidebarEntry kSidebarTable[14];
struct SidebarGroup {
  int first;
  int count;
};
inline constexpr SidebarGroup kSidebarGroups[2] = {{0, 9}, {9, 5}};

// Where the column stands in its window, in pixels.
struct SidebarPlace {
  int left;
  int width;
  int top;      // the first header's top
  int foot;     // the bottom of the last header
  RECT column;  // painted again whole when the groups switch
};

class Sidebar : private controls::SidebarHost {
 public:
  static constexpr COLORREF kFill = RGB(198, 219, 255);
  // Buttons are this far apart; the first stands this far below its header.
  static constexpr int kButtonHeight = 35;
  static constexpr int kButtonGap = 16;

  explicit Sidebar(const SidebarPlace& place);
  ~Sidebar();
  Sidebar(const Sidebar&) = delete;
  Sidebar& operator=(const Sidebar&) = delete;

  // Takes the headers `window` holds and opens the first group.
  void Attach(HWND window);
  // A header was clicked: the expanded group's own header folds it and opens
  // the other. Forgets the chosen entry.
  void SwitchGroup(int group);
  // Marks `entry` as chosen (also one of a folded group).
  void Choose(int entry);
  int SelectedEntry() const override { return selectedEntry_; }
  int HeaderHeight() const { return headerHeight_; }
  // The button of `entry`, null while its group is folded.
  HWND Button(int entry) const;
  // The fill around the buttons; the host's WM_PAINT calls it.
  void Paint(HDC dc) const;
  // Destroys the buttons; the host calls it as its window goes.
  void DestroyButtons();

 private:
  HWND SidebarWindow() const override { return window_; }

  void LayOut(int group, int footBottom);
  void BuildButtons(int group, RECT cursor);
  void Invalidate(int entry);

  SidebarPlace place_;
  HWND window_ = nullptr;
  controls::HeaderButton headers_[2];
  std::array<std::unique_ptr<controls::SkinButton>, 14> buttons_;
  int selectedEntry_;
  int expandedGroup_ = 0;
  int buttonCount_ = 0;
  int headerHeight_ = 0;
  RECT fillRect_{};
  ui::Brush brush_;
};

}  // namespace dockline::app
