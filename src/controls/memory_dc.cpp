#include "controls/memory_dc.h"

namespace dockline::controls {

MemoryDC::MemoryDC(HDC target) : target_(target) {
  if (::GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER) return;
  ::GetClipBox(target, &area_);
  const int width = area_.right - area_.left;
  const int height = area_.bottom - area_.top;
  if (width <= 0 || height <= 0) return;  // nothing visible: draw straight through
  memory_.Reset(::CreateCompatibleDC(target));
  bitmap_.Reset(::CreateCompatibleBitmap(target, width, height));
  if (!memory_ || !bitmap_) {
    memory_.Reset();
    bitmap_.Reset();
    return;
  }
  previous_ = ::SelectObject(memory_.Get(), bitmap_.Get());
  ::SetWindowOrgEx(memory_.Get(), area_.left, area_.top, nullptr);
  offScreen_ = true;
}

MemoryDC::~MemoryDC() {
  if (!offScreen_) return;
  ::BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, memory_.Get(),
           area_.left, area_.top, SRCCOPY);
  ::SelectObject(memory_.Get(), previous_);
}

}  // namespace dockline::controls
