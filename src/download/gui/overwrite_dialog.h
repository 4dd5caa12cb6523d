#pragma once
// "覆盖": asked when a file to be downloaded exists on the device already.
// It names the file and sets the device's copy beside the new one, each
// with its size and last write. Four answers; the close box and Esc give
// none (this file is kept), so the answer in force before stays.
#include <windows.h>

#include <optional>

#include "controls/flat_button.h"
#include "download/download_run.h"
#include "ui/dialog.h"

namespace dockline::download {

class OverwriteDialog : public ui::Dialog {
 public:
  explicit OverwriteDialog(OverwriteQuestion question);
  ~OverwriteDialog() override;
  // Runs modally over `owner`; std::nullopt when closed without an answer.
  std::optional<OverwriteChoice> Ask(HWND owner);

 protected:
  bool OnInitDialog() override;
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnYes(const ui::Message&) { return Answer(OverwriteChoice::Yes); }
  LRESULT OnYesToAll(const ui::Message&) { return Answer(OverwriteChoice::YesToAll); }
  LRESULT OnNoToAll(const ui::Message&) { return Answer(OverwriteChoice::NoToAll); }
  LRESULT OnNo(const ui::Message&) { return Answer(OverwriteChoice::No); }
  LRESULT Answer(OverwriteChoice choice);
  static const ui::Handler<OverwriteDialog> kMessages[];

  OverwriteQuestion question_;
  std::optional<OverwriteChoice> choice_;
  controls::FlatButton yes_, yesToAll_, noToAll_, no_;
};

}  // namespace dockline::download
