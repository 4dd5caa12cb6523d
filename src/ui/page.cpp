#include "ui/page.h"

namespace dockline::ui {

const Handler<Page> Page::kMessages[] = {
    {WM_KEYDOWN, &Page::OnKey},
    {WM_KEYUP, &Page::OnKey},
    {WM_CHAR, &Page::OnKey},
};

bool Page::OnMessage(const Message& m, LRESULT& result) {
  return Dispatch(*this, kMessages, m, result) || Dialog::OnMessage(m, result);
}

}  // namespace dockline::ui
