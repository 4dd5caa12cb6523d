#include "ui/dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/ui_test_support.h"

namespace dockline::ui {
namespace {

constexpr UINT kEndWith = WM_APP + 200;  // wParam: the result
using Posts = std::vector<std::pair<UINT, WPARAM>>;

// Notes its owner, then posts itself the messages of a case (WM_QUIT as a
// quit request).
class ProbeDialog : public Dialog {
 public:
  using Dialog::Dialog;
  Posts posts{{kEndWith, 0}};
  bool keysKeptFromDialogManager = false;
  HWND ownerSeen = nullptr;
  bool ownerEnabledWhileOpen = true;

  bool PreTranslateMessage(MSG& msg) override {
    return !(keysKeptFromDialogManager && msg.message == WM_KEYDOWN) && Dialog::PreTranslateMessage(msg);
  }

 protected:
  bool OnInitDialog() override {
    ownerSeen = ::GetWindow(Handle(), GW_OWNER);
    if (ownerSeen) ownerEnabledWhileOpen = ::IsWindowEnabled(ownerSeen) != FALSE;
    for (auto [message, wParam] : posts) {
      if (message == WM_QUIT) ::PostQuitMessage(static_cast<int>(wParam));
      else ::PostMessageW(Handle(), message, wParam, 0);
    }
    return true;
  }
  bool OnMessage(const Message& m, LRESULT& result) override {
    if (m.message != kEndWith) return Dialog::OnMessage(m, result);
    EndDialog(static_cast<INT_PTR>(m.wParam));
    result = 0;
    return true;
  }
};

// A page's filter: takes every key before the dialog around it sees one.
struct KeyFilter : MessageFilter {
  bool PreTranslateMessage(MSG& msg) override { return msg.message == WM_KEYDOWN; }
};

TEST(ModalDialog, AnswersTheResultOfWhateverEndedIt) {
  struct Case {
    const char* name;
    Posts posts;
    bool keysKept;
    INT_PTR result;
    bool filtered = false;
  };
  const Case cases[] = {
      {"EndDialog", {{kEndWith, 1234}}, false, 1234},
      {"close box", {{WM_CLOSE, 0}}, false, IDCANCEL},
      {"ok", {{WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)}}, false, IDOK},
      {"Esc through the dialog manager", {{WM_KEYDOWN, VK_ESCAPE}, {kEndWith, 77}}, false, IDCANCEL},
      {"Esc kept from the dialog manager", {{WM_KEYDOWN, VK_ESCAPE}, {kEndWith, 77}}, true, 77},
      {"Esc taken by a filter first", {{WM_KEYDOWN, VK_ESCAPE}, {kEndWith, 78}}, false, 78, true},
      {"quit, posted again for the outer loop", {{WM_QUIT, 3}}, false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProbeDialog dialog(IDD_TEST_POPUP);
    dialog.posts = c.posts;
    dialog.keysKeptFromDialogManager = c.keysKept;
    KeyFilter filter;
    if (c.filtered) dialog.AddMessageFilter(&filter);
    EXPECT_EQ(c.result, dialog.DoModal(nullptr));
    EXPECT_EQ(nullptr, dialog.Handle());
    MSG quit;
    const bool reposted = ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    EXPECT_EQ(c.result == -1, reposted);
    if (reposted) {
      EXPECT_EQ(3u, quit.wParam);
    }
  }
  EXPECT_EQ(-1, Dialog(4242).DoModal(nullptr));  // no such template
}

class DialogOwnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterWindowClass(L"DocklineDialogOwner");
    ASSERT_TRUE(owner.Create(L"DocklineDialogOwner", "owner", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 400, 300}, nullptr));
  }
  Window owner;
};

TEST_F(DialogOwnerTest, TopLevelOwnerIsDisabledOnlyWhileAModalRunsEvenWhenAskedFromAPage) {
  HWND page = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, owner.Handle(), nullptr,
                                nullptr, nullptr);
  for (HWND askedFrom : {owner.Handle(), page}) {
    ProbeDialog dialog(IDD_TEST_POPUP);
    dialog.DoModal(askedFrom);
    EXPECT_EQ(owner.Handle(), dialog.ownerSeen);
    EXPECT_FALSE(dialog.ownerEnabledWhileOpen);
    EXPECT_TRUE(::IsWindowEnabled(owner.Handle()));
  }
}

}  // namespace
}  // namespace dockline::ui
