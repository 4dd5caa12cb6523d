#pragma once
// A child dialog that fills a window's page area (ui::PageHost). A page is
// never ended: Enter and Esc close nothing, and keys sent to the page window
// itself are dropped; its controls keep theirs.
//
//   class DownloadPage : public ui::Page { ... };
//   page.Create(mainWindow);   // a child, hidden until its host shows it
#include <windows.h>

#include "ui/dialog.h"

namespace dockline::ui {

class Page : public Dialog {
 public:
  using Dialog::Dialog;

 protected:
  bool OnMessage(const Message& m, LRESULT& result) override;
  void OnOK() override {}
  void OnCancel() override {}

 private:
  LRESULT OnKey(const Message&) { return 0; }
  static const Handler<Page> kMessages[];
};

}  // namespace dockline::ui
