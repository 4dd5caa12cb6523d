#pragma once
// Dialogs from a numbered template (res/resource.h) or from a template held in
// memory, modal or modeless / child.
//
// The dialog object is bound at WM_INITDIALOG, once the template's controls
// exist; its table sees every message from then on. What a dialog needs
// before (a brush, say) it makes in its constructor. Controls are bound to
// typed, non-owning wrappers in OnInitDialog:
//   openButton_.AttachDlgItem(Handle(), IDC_OPEN_DISK);
//
// DoModal runs the modal loop itself (the owner is disabled meanwhile) so
// that a dialog can see each message before the dialog manager does
// (PreTranslateMessage); EndDialog ends that loop. Filters added to a modal
// dialog see each message first: a page takes its own keys there, while the
// dialog around it keeps its own rules for the rest.
//
// Where the screen is not at 96 dpi, the dialog is laid out again as at 96 dpi
// before OnInitDialog (ui/dpi.h): the skin's pictures keep their pixel size,
// so the controls and the font must as well.
//
// An initialisation that throws does not leave a half-built window behind:
// the user is told, and the dialog ends (-1) or its window is destroyed.
#include <windows.h>

#include <vector>

#include "ui/handles.h"
#include "ui/window.h"

namespace dockline::ui {

class MessageFilter {
 public:
  // Answers true when the message has been dealt with and must not be dispatched.
  virtual bool PreTranslateMessage(MSG& msg) = 0;

 protected:
  ~MessageFilter() = default;
};

class Dialog : public Window, public MessageFilter {
 public:
  explicit Dialog(int templateId) : templateId_(templateId) {}
  explicit Dialog(const DLGTEMPLATE* memoryTemplate) : memoryTemplate_(memoryTemplate) {}

  // Runs the dialog modally over `owner` (may be null; for a child window, its
  // top-level window is the owner); answers what was given
  // to EndDialog, or -1 when the dialog could not be created or the window was
  // destroyed without EndDialog. A WM_QUIT met on the way is posted again.
  INT_PTR DoModal(HWND owner);
  // Creates the dialog modeless (a top-level popup owned by `parent`) or as a
  // child page, according to the template's style.
  bool Create(HWND parent);
  // Ends a modal run with `result`; for a modeless dialog, hides it.
  void EndDialog(INT_PTR result);
  bool IsModal() const { return modal_; }

  // The face of the dialog, its static texts and its buttons, which draw
  // their text transparently on it; other controls keep their colours.
  void SetBackground(COLORREF colour);

  HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }
  std::string ItemText(int id) const { return WindowTextUtf8(Item(id)); }
  bool SetItemText(int id, std::string_view utf8) { return SetWindowTextUtf8(Item(id), utf8); }

  // Called with each message the modal loop takes from the queue; answer true
  // when it has been dealt with and must not be dispatched. The default gives
  // the dialog manager its keyboard handling (Tab, Enter, Esc...).
  bool PreTranslateMessage(MSG& msg) override;

  // Filters run in the order added, before the dialog's own
  // PreTranslateMessage; each must outlive the modal run or be removed.
  void AddMessageFilter(MessageFilter* filter);
  void RemoveMessageFilter(MessageFilter* filter);

 protected:
  // WM_INITDIALOG; answer true to let the system put the focus on the first
  // control, false when the dialog has set the focus itself.
  virtual bool OnInitDialog() { return true; }
  // IDOK / IDCANCEL commands (Enter, Esc, the close box) that no table took.
  // Modal dialogs end with that result; modeless ones ignore them.
  virtual void OnOK();
  virtual void OnCancel();

  bool OnMessage(const Message& m, LRESULT& result) override;

 private:
  HWND CreateWindowFromTemplate(HWND parent);
  bool FilterMessage(MSG& msg);
  bool InitialiseOrGiveUp();
  static INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_ = 0;
  const DLGTEMPLATE* memoryTemplate_ = nullptr;
  bool modal_ = false;
  bool endRequested_ = false;
  INT_PTR result_ = -1;
  std::vector<MessageFilter*> filters_;
  Font layoutFont_;  // the template font at 96 dpi, where the screen is not; its controls use it
  Brush background_;
};

}  // namespace dockline::ui
