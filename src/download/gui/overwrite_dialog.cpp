#include "download/gui/overwrite_dialog.h"

#include "resource.h"

namespace dockline::download {

const ui::Handler<OverwriteDialog> OverwriteDialog::kMessages[] = {
    {WM_COMMAND, BN_CLICKED, IDYES, &OverwriteDialog::OnYes},
    // Enter: the skinned buttons are none of them a default push button, so
    // the dialog manager sends IDOK, which is 是 as it always was.
    {WM_COMMAND, BN_CLICKED, IDOK, &OverwriteDialog::OnYes},
    {WM_COMMAND, BN_CLICKED, IDC_OVERWRITE_YES_TO_ALL, &OverwriteDialog::OnYesToAll},
    {WM_COMMAND, BN_CLICKED, IDC_OVERWRITE_NO_TO_ALL, &OverwriteDialog::OnNoToAll},
    {WM_COMMAND, BN_CLICKED, IDC_OVERWRITE_NO, &OverwriteDialog::OnNo},
};

OverwriteDialog::OverwriteDialog(OverwriteQuestion question) : Dialog(IDD_OVERWRITE), question_(std::move(question)) {
  SetBackground(RGB(255, 255, 255));
}

// The window goes before the buttons that draw it.
OverwriteDialog::~OverwriteDialog() { DestroyOwnedWindow(); }

bool OverwriteDialog::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || Dialog::OnMessage(m, result);
}

bool OverwriteDialog::OnInitDialog() {
  const HWND hwnd = Handle();
  yes_.AttachDlgItem(hwnd, IDYES);
  yesToAll_.AttachDlgItem(hwnd, IDC_OVERWRITE_YES_TO_ALL);
  noToAll_.AttachDlgItem(hwnd, IDC_OVERWRITE_NO_TO_ALL);
  no_.AttachDlgItem(hwnd, IDC_OVERWRITE_NO);
  SetItemText(IDC_OVERWRITE_NAME, question_.target);
  SetItemText(IDC_OVERWRITE_ON_DEVICE, OnDeviceText(question_));
  SetItemText(IDC_OVERWRITE_INCOMING, IncomingText(question_));
  return true;  // the focus on 是, the first button
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
