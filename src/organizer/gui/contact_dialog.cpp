#include "organizer/gui/contact_dialog.h"

#include "contact_card_resource.h"
#include "ui/control_refs.h"

namespace dockline::organizer {

// The face, labels and buttons share the grey; edits and the list keep theirs.
ContactDialog::ContactDialog() : ui::Dialog(IDD_CONTACT_CARD) { SetBackground(kFace); }

bool ContactDialog::OnInitDialog() {
  ui::ComboBoxRef category;
  category.Bind(Handle(), IDC_CARD_CATEGORY);
  for (const char* item : {"商务", "朋友", "同学", "同事", "亲戚", "其他"}) category.Add(item);
  return true;
}

}  // namespace dockline::organizer
