// No SetupAPI here: the list of USB devices cannot be obtained.
#include "device/device_locator.h"

namespace dockline::device {
namespace {

class NoUsbDevices final : public UsbDeviceList {
 public:
  bool Open() override { return false; }
  bool Fetch(std::uint32_t) override { return false; }
  bool LocationInformation(std::uint32_t, std::u16string&, std::size_t, std::size_t&) override { return false; }
  std::uint32_t LastError() override { return 0; }
  bool Close() override { return false; }
};

}  // namespace

UsbDeviceList& SystemUsbDevices() {
  static NoUsbDevices devices;
  return devices;
}

}  // namespace dockline::device
