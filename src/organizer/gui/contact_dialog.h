#pragma once
// The contact card dialog (template 157): the fields of one contact card on a
// grey face. Nothing typed here is kept; OK and cancel both just close it.
#include <windows.h>

#include "ui/dialog.h"

namespace dockline::organizer {

class ContactDialog : public ui::Dialog {
 public:
  static constexpr COLORREF kFace = RGB(206, 207, 214);

  ContactDialog();

 protected:
  bool OnInitDialog() override;
};

}  // namespace dockline::organizer
