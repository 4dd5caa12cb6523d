#pragma once
// The small borderless window with one line of text ("数据读取中，请稍候.....")
// that stands in front of the main window while the UI thread is busy adding
// files, listing the device or deleting. It paints its text directly when
// created and whenever the text changes, because no paint message is handled
// while the thread works.
//
// The object owns the window: it is created by the constructor and destroyed
// with the object, so every path out of the busy operation removes it.
//   download::WaitPopup popup(mainWindow);
//   ... work ...
//   popup.SetText("正在删除，请稍候");
#include <windows.h>

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

  // Creates the popup modeless over `owner`, shows and places it and paints
  // the reading text. IsOpen() tells whether that worked.
  explicit WaitPopup(HWND owner);
  ~WaitPopup() override { DestroyOwnedWindow(); }

  bool IsOpen() const { return Handle() != nullptr; }
  // Replaces the text and paints it at once.
  void SetText(std::string_view utf8);
  const std::string& Message() const { return text_; }
  void Hide();

 protected:
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnControlColour(const ui::Message& m);
  LRESULT OnPaint(const ui::Message& m);
  static const ui::Handler<WaitPopup> kMessages[];

  void PaintNow();
  void PaintText(HDC dc);

  ui::Brush background_;
  ui::Font font_;  // made at the first paint, in the screen's resolution
  std::string text_;
};

}  // namespace dockline::download
