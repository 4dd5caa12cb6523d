#include "ui/dialog.h"

#include <algorithm>

#include "ui/dpi.h"
#include "ui/failure.h"
#include "ui/message_box.h"

namespace dockline::ui {

INT_PTR CALLBACK Dialog::DialogProcedure(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
  // The object is bound when the dialog manager hands it over with
  // WM_INITDIALOG, once the template's controls exist; from then on every
  // message reaches it through the subclassed window procedure, and the
  // dialog manager's own procedure only needs to say "not handled".
  if (message == WM_INITDIALOG && !FromHandle(hwnd) && lParam) {
    auto* dialog = reinterpret_cast<Dialog*>(lParam);
    if (dialog->Bind(hwnd, true)) return dialog->InitialiseOrGiveUp() ? TRUE : FALSE;
  }
  return FALSE;
}

HWND Dialog::CreateWindowFromTemplate(HWND parent) {
  if (Handle()) return nullptr;
  HINSTANCE module = ::GetModuleHandleW(nullptr);
  const LPARAM self = reinterpret_cast<LPARAM>(this);
  HWND hwnd = memoryTemplate_
                  ? ::CreateDialogIndirectParamW(module, memoryTemplate_, parent, &Dialog::DialogProcedure, self)
                  : ::CreateDialogParamW(module, MAKEINTRESOURCEW(templateId_), parent, &Dialog::DialogProcedure, self);
  if (!hwnd) return nullptr;
  if (Handle() != hwnd) {  // could not be bound: of no use to us
    ::DestroyWindow(hwnd);
    return nullptr;
  }
  ownsWindow_ = true;
  return hwnd;
}

bool Dialog::Create(HWND parent) {
  modal_ = false;
  return CreateWindowFromTemplate(parent) != nullptr;
}

INT_PTR Dialog::DoModal(HWND owner) {
  if (Handle()) return -1;
  modal_ = true;
  endRequested_ = false;
  result_ = -1;
  // A page (a child window) cannot own a popup: the window it sits in does,
  // and that is what must not take input meanwhile.
  if (owner && (::GetWindowLongPtrW(owner, GWL_STYLE) & WS_CHILD)) owner = ::GetAncestor(owner, GA_ROOT);
  bool ownerDisabled = false;
  if (owner && owner != ::GetDesktopWindow() && ::IsWindowEnabled(owner)) {
    ::EnableWindow(owner, FALSE);
    ownerDisabled = true;
  }
  HWND hwnd = CreateWindowFromTemplate(owner);
  if (hwnd) {
    if (!endRequested_ && !::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOWNORMAL);
    while (!endRequested_ && Handle() == hwnd) {
      MSG msg;
      const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
      if (got == -1) break;
      if (got == 0) {  // WM_QUIT belongs to the outer loop
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (!FilterMessage(msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
  }
  if (ownerDisabled) ::EnableWindow(owner, TRUE);
  if (hwnd && Handle() == hwnd) {
    if (owner && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
    ::DestroyWindow(hwnd);
  }
  modal_ = false;
  return endRequested_ ? result_ : -1;
}

void Dialog::EndDialog(INT_PTR result) {
  if (modal_) {
    result_ = result;
    endRequested_ = true;
    // The window stays until the loop has given the owner back its input,
    // so that activation returns to the owner and not to another program.
    if (Handle()) ::PostMessageW(Handle(), WM_NULL, 0, 0);  // wake the modal loop
  } else if (Handle()) {
    ::ShowWindow(Handle(), SW_HIDE);
  }
}

bool Dialog::PreTranslateMessage(MSG& msg) { return Handle() && ::IsDialogMessageW(Handle(), &msg); }

void Dialog::AddMessageFilter(MessageFilter* filter) {
  if (filter && std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) filters_.push_back(filter);
}

void Dialog::RemoveMessageFilter(MessageFilter* filter) { std::erase(filters_, filter); }

bool Dialog::FilterMessage(MSG& msg) {
  try {
    // A copy: a filter may add or remove filters while it runs.
    const std::vector<MessageFilter*> filters = filters_;
    for (MessageFilter* filter : filters)
      if (filter->PreTranslateMessage(msg)) return true;
    return PreTranslateMessage(msg);
  } catch (...) {
    RecordFailure("message filter");
    return false;
  }
}

bool Dialog::InitialiseOrGiveUp() {
  layoutFont_ = LayOutAtLayoutDpi(Handle());
  try {
    return OnInitDialog();
  } catch (...) {
    RecordFailure("dialog initialisation");
    WindowMessageBox(nullptr, "窗口无法建立，程序不能继续运行。\n" + LastFailure(), ApplicationName(),
                     MB_OK | MB_ICONERROR | MB_TASKMODAL);
    if (modal_) {
      EndDialog(-1);
    } else {
      Destroy();
    }
    return true;
  }
}

void Dialog::OnOK() {
  if (modal_) EndDialog(IDOK);
}

void Dialog::OnCancel() {
  if (modal_) EndDialog(IDCANCEL);
}

void Dialog::SetBackground(COLORREF colour) { background_.Reset(::CreateSolidBrush(colour)); }

bool Dialog::OnMessage(const Message& m, LRESULT& result) {
  switch (m.message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (!background_) return false;
      Default(m);  // the standard text colours first
      ::SetBkMode(reinterpret_cast<HDC>(m.wParam), TRANSPARENT);
      result = reinterpret_cast<LRESULT>(background_.Get());
      return true;
    case WM_GETFONT:
      // The dialog manager answers with the template font it made for the
      // screen; controls made later must match the ones laid out at 96 dpi.
      if (!layoutFont_) return false;
      result = reinterpret_cast<LRESULT>(layoutFont_.Get());
      return true;
    case WM_COMMAND:
      if (HIWORD(m.wParam) == BN_CLICKED || m.lParam == 0) {
        if (LOWORD(m.wParam) == IDOK) {
          OnOK();
          result = 0;
          return true;
        }
        if (LOWORD(m.wParam) == IDCANCEL) {
          OnCancel();
          result = 0;
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

}  // namespace dockline::ui
