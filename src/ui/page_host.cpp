#include "ui/page_host.h"

namespace dockline::ui {

void PageHost::SetPage(int slot, HWND page, MessageFilter* filter) {
  if (slot < 0) return;
  if (static_cast<std::size_t>(slot) >= slots_.size()) slots_.resize(static_cast<std::size_t>(slot) + 1);
  slots_[static_cast<std::size_t>(slot)] = Slot{page, filter};
  if (shown_ == slot) shown_ = -1;
  if (!page) return;
  ::MoveWindow(page, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, TRUE);
  ::ShowWindow(page, SW_HIDE);
}

HWND PageHost::Page(int slot) const {
  if (slot < 0 || static_cast<std::size_t>(slot) >= slots_.size()) return nullptr;
  return slots_[static_cast<std::size_t>(slot)].page;
}

bool PageHost::Show(int slot) {
  HWND page = Page(slot);
  if (!page || !::IsWindow(page)) return false;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (static_cast<int>(i) != slot && slots_[i].page && slots_[i].page != page) ::ShowWindow(slots_[i].page, SW_HIDE);
  }
  ::ShowWindow(page, SW_SHOWNORMAL);
  shown_ = slot;
  return true;
}

void PageHost::OnParentMoved() {
  HWND page = Page(shown_);
  if (!page || !::IsWindow(page)) return;
  ::ShowWindow(page, SW_HIDE);
  ::ShowWindow(page, SW_SHOWNORMAL);
}

bool PageHost::PreTranslateMessage(MSG& msg) {
  HWND page = Page(shown_);
  if (!page || !msg.hwnd) return false;
  MessageFilter* filter = slots_[static_cast<std::size_t>(shown_)].filter;
  if (!filter || (msg.hwnd != page && !::IsChild(page, msg.hwnd))) return false;
  return filter->PreTranslateMessage(msg);
}

}  // namespace dockline::ui
