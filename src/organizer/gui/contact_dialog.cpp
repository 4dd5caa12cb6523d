#include "organizer/gui/contact_dialog.h"

#include "resource.h"
#include "ui/control_refs.h"

namespace dockline::organizer {

const ui::Handler<ContactDialog> ContactDialog::kMessages[] = {
    {WM_CTLCOLORDLG, &ContactDialog::OnControlColour},
    {WM_CTLCOLORSTATIC, &ContactDialog::OnControlColour},
    {WM_CTLCOLORBTN, &ContactDialog::OnControlColour},
};

ContactDialog::ContactDialog() : ui::Dialog(IDD_CONTACT_CARD), face_(::CreateSolidBrush(kFace)) {}

bool ContactDialog::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || ui::Dialog::OnMessage(m, result);
}

bool ContactDialog::OnInitDialog() {
  ui::ComboBoxRef category;
  category.Bind(Handle(), IDC_CARD_CATEGORY);
  for (const char* item : {"商务", "朋友", "同学", "同事", "亲戚", "其他"}) category.Add(item);
  return true;
}

// The face, labels and buttons share the grey; edits and the list keep theirs.
LRESULT ContactDialog::OnControlColour(const ui::Message& m) {
  const LRESULT standard = Default(m);
  if (!face_) return standard;
  ::SetBkMode(reinterpret_cast<HDC>(m.wParam), TRANSPARENT);
  return reinterpret_cast<LRESULT>(face_.Get());
}

}  // namespace dockline::organizer
