#include "app/gui/sidebar.h"

#include "resource.h"

namespace dockline::app {

const SidebarEntry kSidebarTable[14] = {
    {"数 码MP3", IDB_ICON_MUSIC},    {"可视复读", IDB_ICON_REPEAT},
    {"电子图书", IDB_ICON_BOOKS},    {"下载词典", IDB_ICON_DICTIONARY},
    {"背诵词库", IDB_ICON_WORDS},    {"听力测试", IDB_ICON_LISTENING},
    {"黄冈宝典", IDB_ICON_EXAM},     {"学习数据", IDB_ICON_STUDY},
    {"下载图片", IDB_ICON_PICTURES}, {"名    片", IDB_ICON_NONE},
    {"行    程", IDB_ICON_NONE},     {"任    务", IDB_ICON_NONE},
    {"记    事", IDB_ICON_NONE},     {"全部备份", IDB_ICON_NONE},
};

Sidebar::Sidebar(const SidebarPlace &place)
    : place_(place), selectedEntry_(kNoEntry),
      brush_(::CreateSolidBrush(kFill)) {}

Sidebar::~Sidebar() { DestroyButtons(); }

void Sidebar::Attach(HWND window) {
  window_ = window;
  const int headerImages[2] = {IDB_HEADER_0, IDB_HEADER_1};
  for (int i = 0; i < 2; ++i) {
    headers_[i].AttachDlgItem(window, IDC_HEADER_0 + i);
    headers_[i].LoadBitmaps(headerImages[i]);
    headers_[i].SetGroupIndex(i);
  }
  // The headers keep the height their window was made with, whatever their
  // pictures measure.
  RECT header{};
  ::GetClientRect(headers_[0].Handle(), &header);
  headerHeight_ = header.bottom - header.top;
  // At start the foot of the first group is filled only a little below its
  // last button; whatever the host shows at the foot stays uncovered.
  LayOut(expandedGroup_, place_.foot - 5 * headerHeight_);
}

void Sidebar::SwitchGroup(int group) {
  if (group != 0 && group != 1)
    return;
  DestroyButtons();
  expandedGroup_ = group == expandedGroup_ ? 1 - group : group;
  LayOut(expandedGroup_, place_.foot - headerHeight_ * (1 - expandedGroup_));
  // The fill below the buttons changes with the group: the whole column is
  // painted again, not only what the moves uncover.
  ::InvalidateRect(window_, &place_.column, TRUE);
}

void Sidebar::Choose(int entry) {
  const int old = selectedEntry_;
  selectedEntry_ = entry;
  Invalidate(old);
  Invalidate(entry);
}

void Sidebar::Invalidate(int entry) {
  if (HWND button = Button(entry))
    ::InvalidateRect(button, nullptr, TRUE);
}

HWND Sidebar::Button(int entry) const {
  if (entry < 0 || entry >= static_cast<int>(buttons_.size()))
    return nullptr;
  const auto &button = buttons_[static_cast<std::size_t>(entry)];
  return button ? button->Handle() : nullptr;
}

// Headers of the groups up to `group` at the top, its buttons below them,
// the remaining headers at the foot; `footBottom` ends the painted fill.
void Sidebar::LayOut(int group, int footBottom) {
  const int groupsBelow = 1 - group;
  RECT cursor{place_.left, place_.top, place_.left + place_.width,
              place_.top + headerHeight_};
  for (int i = 0; i <= group; ++i) {
    ::MoveWindow(headers_[i].Handle(), cursor.left, cursor.top, place_.width,
                 headerHeight_, TRUE);
    ::OffsetRect(&cursor, 0, headerHeight_);
  }
  BuildButtons(group, cursor);
  fillRect_ = cursor;
  fillRect_.bottom = footBottom;
  cursor.top = place_.foot - headerHeight_ * groupsBelow;
  for (int i = group + 1; i <= 1; ++i) {
    ::MoveWindow(headers_[i].Handle(), cursor.left, cursor.top, place_.width,
                 headerHeight_, TRUE);
    cursor.top += headerHeight_;
  }
}

void Sidebar::BuildButtons(int group, RECT cursor) {
  const SidebarGroup &g = kSidebarGroups[group];
  buttonCount_ = g.count;
  RECT button{cursor.left, cursor.top + kButtonGap, cursor.left + place_.width,
              cursor.top + kButtonGap + kButtonHeight};
  for (int e = g.first; e < g.first + g.count; ++e) {
    auto made = std::make_unique<controls::SkinButton>(
        static_cast<const controls::SidebarHost *>(this));
    // Every button carries the same id: the entry travels in the click's
    // message.
    if (made->Create(kSidebarTable[e].caption, button, window_,
                     IDC_SIDEBAR_BUTTON)) {
      made->SetCaptionAndIcon(kSidebarTable[e].caption, kSidebarTable[e].icon);
      made->SetCategoryIndex(e);
      buttons_[static_cast<std::size_t>(e)] = std::move(made);
    }
    ::OffsetRect(&button, 0, kButtonHeight);
  }
  selectedEntry_ = kNoEntry;
}

void Sidebar::DestroyButtons() {
  for (auto &button : buttons_)
    button.reset(); // each takes its window with it
}

void Sidebar::Paint(HDC dc) const {
  const RECT &r = fillRect_;
  const RECT above{r.left, r.top, r.right, r.top + kButtonGap};
  const RECT below{r.left, r.top + kButtonGap + kButtonHeight * buttonCount_,
                   r.right, r.bottom};
  ::FillRect(dc, &above, brush_.Get());
  if (below.bottom > below.top)
    ::FillRect(dc, &below, brush_.Get());
}

} // namespace dockline::app
