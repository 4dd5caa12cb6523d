#include "download/gui/overwrite_dialog.h"

#include "resource.h"

namespace dockline::download {

const ui::Handler<OverwriteDialog> OverwriteDialog::kMessages[] = {
    {WM_COMMAND, BN_CLICKED, IDYES, &OverwriteDialog::OnYes},
    {WM_COMMAND, BN_CLICKED, IDC_OVERWRITE_YES_TO_ALL, &OverwriteDialog::OnYesToAll},
    {WM_COMMAND, BN_CLICKED, IDC_OVERWRITE_NO_TO_ALL, &OverwriteDialog::OnNoToAll},
    {WM_COMMAND, BN_CLICKED, IDC_OVERWRITE_NO, &OverwriteDialog::OnNo},
};

OverwriteDialog::OverwriteDialog() : Dialog(IDD_OVERWRITE) {}

bool OverwriteDialog::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Dialog::OnMessage(m, result);
}

LRESULT OverwriteDialog::Answer(OverwriteChoice choice) {
  choice_ = choice;
  EndDialog(IDOK);
  return 0;
}

std::optional<OverwriteChoice> OverwriteDialog::Ask(HWND owner) {
  choice_.reset();
  DoModal(owner);
  return choice_;
}

}  // namespace dockline::download
