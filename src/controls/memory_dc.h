#pragma once
// An off-screen drawing context over a target: drawing in the target's
// coordinates lands in a bitmap of the target's clip box, which is copied onto
// the target in one step when the MemoryDC goes away, so a control that paints
// everything does not flicker. Over a printer it draws on the target directly.
#include <windows.h>

#include "ui/handles.h"

namespace dockline::controls {

class MemoryDC {
 public:
  explicit MemoryDC(HDC target);
  ~MemoryDC();
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;

  HDC Get() const { return offScreen_ ? memory_.Get() : target_; }

 private:
  HDC target_;
  bool offScreen_ = false;
  RECT area_{};
  ui::MemoryDcHandle memory_;
  ui::Bitmap bitmap_;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace dockline::controls
