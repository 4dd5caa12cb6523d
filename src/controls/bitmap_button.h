#pragma once
// An owner-drawn push button that shows a picture: a normal image and,
// optionally, images for the selected (pressed), focused and disabled states.
// A state without its own image shows the normal one. Images are drawn
// unscaled at the button's top-left corner. The button owns its images.
//
// Used for the main window's state lamp (images switched at run time) and as
// the base of HeaderButton.
#include <windows.h>

#include "ui/handles.h"
#include "ui/window.h"

namespace dockline::controls {

class BitmapButton : public ui::Window {
 public:
  // Loads the images by resource number; 0 leaves that state without an
  // image. Answers whether the normal image was loaded.
  bool LoadBitmaps(int normal, int selected = 0, int focused = 0, int disabled = 0);
  // The same with images made elsewhere (the button takes them).
  void SetBitmaps(ui::Bitmap normal, ui::Bitmap selected = {}, ui::Bitmap focused = {}, ui::Bitmap disabled = {});
  // Resizes the button to its normal image.
  void SizeToContent();
  HBITMAP NormalBitmap() const { return normal_.Get(); }

  // The image drawn for a DRAWITEMSTRUCT item state.
  HBITMAP ImageForState(UINT itemState) const;

 protected:
  void OnAttached() override;  // adds BS_OWNERDRAW
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnDrawItem(const ui::Message& m);
  static const ui::Handler<BitmapButton> kMessages[];

  ui::Bitmap normal_;
  ui::Bitmap selected_;
  ui::Bitmap focused_;
  ui::Bitmap disabled_;
};

// Turns a button of any push style into an owner-drawn one, keeping its other
// style bits.
void MakeOwnerDraw(HWND button);

}  // namespace dockline::controls
