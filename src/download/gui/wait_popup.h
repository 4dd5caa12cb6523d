#pragma once
// The small borderless window with one line of text ("数据读取中，请稍候.....")
// that stands in front of the main window while the download page lists the
// device, deletes or takes chosen or dropped files. The work runs on a
// worker, so the popup paints as any window does, when it is asked to. Work
// that may be given up (the walk of a dropped folder) gets a 取消 button.
//
// The object owns the window: it is created by the constructor and goes with
// the object at the latest. Dismiss closes it, but never sooner than the
// given time after it appeared, so that a popup that had to be read is not
// merely a flash.
//   download::WaitPopup popup(mainWindow);
//   popup.SetText("正在删除，请稍候");
//   ... the work ends ...
//   popup.Dismiss(std::chrono::seconds(1));
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "ui/dialog.h"
#include "ui/handles.h"

namespace dockline::download {

class WaitPopup : public ui::Dialog {
 public:
  static constexpr COLORREF kBackground = RGB(206, 207, 214);
  static constexpr const char* kReadingText = "数据读取中，请稍候.....";
  // Offset of the popup from the owner's top-left corner.
  static constexpr int kOffsetX = 125;
  static constexpr int kOffsetY = 200;

  // Creates the popup modeless over `owner`, shows and places it with the
  // reading text. IsOpen() tells whether that worked.
  explicit WaitPopup(HWND owner);
  ~WaitPopup() override { DestroyOwnedWindow(); }

  bool IsOpen() const { return Handle() != nullptr; }
  void SetText(std::string_view utf8);
  const std::string& Message() const { return text_; }
  void Hide();
  // Closes the window once it has been up for `minimum` (at once if it has).
  void Dismiss(std::chrono::milliseconds minimum = {});
  // Shows the 取消 button under the text, the popup grown to hold it. Its
  // click calls `cancel` once and greys the button.
  void OfferCancel(std::function<void()> cancel);

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override;
  void OnCancel() override;

 private:
  static constexpr UINT_PTR kDismissTimer = 1;

  LRESULT OnPaint(const ui::Message& m);
  LRESULT OnTimer(const ui::Message& m);
  static const ui::Handler<WaitPopup> kMessages[];

  ui::Font font_;  // made at the first paint (or for the button), in the screen's resolution
  std::string text_;
  int textHeight_ = 0;  // the text's band: the template's height, whatever the popup grows to
  std::function<void()> cancel_;
  std::chrono::steady_clock::time_point shown_ = std::chrono::steady_clock::now();
};

}  // namespace dockline::download
