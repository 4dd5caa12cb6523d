#include "ui/dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui_test_support.h"

namespace dockline::ui {
namespace {

using dockline::testing::MemoryDialogTemplate;

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;
constexpr int kLabelId = 501;
constexpr int kButtonId = 502;
constexpr UINT kEndWith = WM_APP + 200;  // wParam: the result

MemoryDialogTemplate PopupTemplate() {
  MemoryDialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 160, 80, L"对话框");
  t.AddControl(SS_LEFT, 5, 5, 100, 10, kLabelId, kStaticAtom, L"标签");
  t.AddControl(BS_PUSHBUTTON, 5, 20, 50, 14, kButtonId, kButtonAtom, L"按钮");
  return t;
}

// Records the order of its creation steps and ends itself on request.
class ProbeDialog : public Dialog {
 public:
  using Dialog::Dialog;
  std::vector<std::string> steps;
  HWND ownerSeen = nullptr;
  bool ownerEnabledWhileOpen = true;
  bool postOnInit = true;
  WPARAM endValue = 0;
  bool swallowKeys = false;

  bool PreTranslateMessage(MSG& msg) override {
    if (swallowKeys && msg.message == WM_KEYDOWN) return false;  // no dialog keys at all
    return Dialog::PreTranslateMessage(msg);
  }

 protected:
  bool OnInitDialog() override {
    steps.push_back(Item(kLabelId) ? "init: controls exist" : "init: no controls");
    steps.push_back("init: label " + ItemText(kLabelId));
    ownerSeen = ::GetWindow(Handle(), GW_OWNER);
    if (ownerSeen) ownerEnabledWhileOpen = ::IsWindowEnabled(ownerSeen) != FALSE;
    if (postOnInit) ::PostMessageW(Handle(), kEndWith, endValue, 0);
    return true;
  }
  bool OnMessage(const Message& m, LRESULT& result) override;

 private:
  LRESULT OnCreate(const Message& m) {
    steps.push_back(Item(kLabelId) ? "create: controls exist" : "create: no controls");
    return Default(m);
  }
  LRESULT OnEndWith(const Message& m) {
    EndDialog(static_cast<INT_PTR>(m.wParam));
    return 0;
  }
  LRESULT OnButton(const Message&) {
    steps.push_back("button");
    return 0;
  }
  static const Handler<ProbeDialog> kMessages[];
};

const Handler<ProbeDialog> ProbeDialog::kMessages[] = {
    {WM_CREATE, &ProbeDialog::OnCreate},
    {kEndWith, &ProbeDialog::OnEndWith},
    {WM_COMMAND, BN_CLICKED, kButtonId, &ProbeDialog::OnButton},
};

bool ProbeDialog::OnMessage(const Message& m, LRESULT& result) {
  return Dispatch(*this, kMessages, m, result) || Dialog::OnMessage(m, result);
}

TEST(ModalDialog, AnswersTheResultGivenToEndDialog) {
  const MemoryDialogTemplate t = PopupTemplate();
  ProbeDialog dialog(t.Get());
  dialog.endValue = 1234;
  EXPECT_EQ(1234, dialog.DoModal(nullptr));
  EXPECT_EQ(nullptr, dialog.Handle());  // the window is gone after the run
}

TEST(ModalDialog, SeesCreationBeforeItsControlsAndInitialisationAfter) {
  const MemoryDialogTemplate t = PopupTemplate();
  ProbeDialog dialog(t.Get());
  dialog.DoModal(nullptr);
  EXPECT_EQ((std::vector<std::string>{"create: no controls", "init: controls exist", "init: label 标签"}),
            dialog.steps);
}

TEST(ModalDialog, DisablesItsOwnerOnlyWhileItRuns) {
  RegisterWindowClass(L"DocklineDialogOwner");
  Window owner;
  ASSERT_TRUE(owner.Create(L"DocklineDialogOwner", "owner", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 200, 200}, nullptr));
  const MemoryDialogTemplate t = PopupTemplate();
  ProbeDialog dialog(t.Get());
  dialog.DoModal(owner.Handle());
  EXPECT_EQ(owner.Handle(), dialog.ownerSeen);
  EXPECT_FALSE(dialog.ownerEnabledWhileOpen);
  EXPECT_TRUE(::IsWindowEnabled(owner.Handle()));

  // Asked from a page inside the owner: the owner's window owns the dialog.
  HWND page = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, owner.Handle(), nullptr,
                                nullptr, nullptr);
  ProbeDialog fromPage(t.Get());
  fromPage.DoModal(page);
  EXPECT_EQ(owner.Handle(), fromPage.ownerSeen);
  EXPECT_FALSE(fromPage.ownerEnabledWhileOpen);
  EXPECT_TRUE(::IsWindowEnabled(owner.Handle()));
}

TEST(ModalDialog, CancelAndCloseEndWithIdCancelByDefault) {
  const MemoryDialogTemplate t = PopupTemplate();
  struct PostOnInit : ProbeDialog {
    PostOnInit(const DLGTEMPLATE* t, UINT message, WPARAM wParam) : ProbeDialog(t), message(message), wParam(wParam) {}
    bool OnInitDialog() override {
      ::PostMessageW(Handle(), message, wParam, 0);
      return true;
    }
    UINT message;
    WPARAM wParam;
  };
  PostOnInit closeBox(t.Get(), WM_CLOSE, 0);  // the dialog manager turns it into IDCANCEL
  EXPECT_EQ(IDCANCEL, closeBox.DoModal(nullptr));
  PostOnInit cancel(t.Get(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
  EXPECT_EQ(IDCANCEL, cancel.DoModal(nullptr));
  PostOnInit ok(t.Get(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
  EXPECT_EQ(IDOK, ok.DoModal(nullptr));
}

TEST(ModalDialog, PreTranslateSeesKeysBeforeTheDialogManager) {
  const MemoryDialogTemplate t = PopupTemplate();
  struct EscapeThenEnd : ProbeDialog {
    using ProbeDialog::ProbeDialog;
    bool OnInitDialog() override {
      ::PostMessageW(Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
      ::PostMessageW(Handle(), kEndWith, 77, 0);
      return true;
    }
  };
  EscapeThenEnd standard(t.Get());
  EXPECT_EQ(IDCANCEL, standard.DoModal(nullptr));  // Esc cancels through the dialog manager
  EscapeThenEnd keysOff(t.Get());
  keysOff.swallowKeys = true;
  EXPECT_EQ(77, keysOff.DoModal(nullptr));  // Esc reached the dialog as a plain key
}

TEST(ModalDialog, ControlCommandsReachTheTable) {
  const MemoryDialogTemplate t = PopupTemplate();
  struct ClickThenEnd : ProbeDialog {
    using ProbeDialog::ProbeDialog;
    bool OnInitDialog() override {
      ::PostMessageW(Item(kButtonId), BM_CLICK, 0, 0);
      ::PostMessageW(Handle(), kEndWith, 5, 0);
      return true;
    }
  } dialog(t.Get());
  EXPECT_EQ(5, dialog.DoModal(nullptr));
  EXPECT_EQ("button", dialog.steps.back());
}

TEST(ModalDialog, QuitMessageEndsTheRunAndIsPostedAgain) {
  const MemoryDialogTemplate t = PopupTemplate();
  struct QuitOnInit : ProbeDialog {
    using ProbeDialog::ProbeDialog;
    bool OnInitDialog() override {
      ::PostQuitMessage(3);
      return true;
    }
  } dialog(t.Get());
  EXPECT_EQ(-1, dialog.DoModal(nullptr));
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(3u, msg.wParam);
}

TEST(ModalDialog, MissingTemplateFails) {
  Dialog dialog(4242);  // no such resource
  EXPECT_EQ(-1, dialog.DoModal(nullptr));
  EXPECT_FALSE(dialog.Create(nullptr));
}

TEST(ChildDialog, IsCreatedAsAChildPageAndStaysUntilItsObjectGoes) {
  RegisterWindowClass(L"DocklineDialogParent");
  Window parent;
  ASSERT_TRUE(parent.Create(L"DocklineDialogParent", "parent", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 300, 300}, nullptr));
  MemoryDialogTemplate t(WS_CHILD | DS_CONTROL, 0, 0, 100, 60);
  t.AddControl(SS_LEFT, 5, 5, 60, 10, kLabelId, kStaticAtom, L"页");
  HWND page = nullptr;
  {
    ProbeDialog dialog(t.Get());
    dialog.postOnInit = false;
    ASSERT_TRUE(dialog.Create(parent.Handle()));
    page = dialog.Handle();
    EXPECT_TRUE(::IsChild(parent.Handle(), page));
    EXPECT_FALSE(dialog.IsModal());
    EXPECT_EQ((std::vector<std::string>{"create: no controls", "init: controls exist", "init: label 页"}),
              dialog.steps);
    // Enter and Esc in a page must not end anything.
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(::IsWindowVisible(page) || !::IsWindowVisible(parent.Handle()));
    EXPECT_TRUE(::IsWindow(page));
  }
  EXPECT_FALSE(::IsWindow(page));
}

}  // namespace
}  // namespace dockline::ui
