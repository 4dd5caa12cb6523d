#include <windows.h>
#include <setupapi.h>

#include "device/device_locator.h"

namespace dockline::device {
namespace {

// {A5DCBF10-6530-11D2-901F-00C04FB951ED}
const GUID kUsbDeviceInterface = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

class SetupApiUsbDevices final : public UsbDeviceList {
 public:
  bool Open() override {
    list_ = SetupDiGetClassDevsW(&kUsbDeviceInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list_ == INVALID_HANDLE_VALUE) {
      error_ = GetLastError();
      return false;
    }
    return true;
  }

  bool Fetch(std::uint32_t index) override {
    info_ = SP_DEVINFO_DATA{};
    info_.cbSize = sizeof(info_);
    if (SetupDiEnumDeviceInfo(list_, index, &info_)) return true;
    error_ = GetLastError();
    return false;
  }

  bool LocationInformation(std::uint32_t, std::u16string& text, std::size_t bufferBytes,
                           std::size_t& required) override {
    std::u16string buffer((bufferBytes + 1) / 2 + 1, u'\0');
    DWORD needed = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(list_, &info_, SPDRP_LOCATION_INFORMATION, nullptr,
                                           bufferBytes ? reinterpret_cast<BYTE*>(buffer.data()) : nullptr,
                                           static_cast<DWORD>(bufferBytes),
                                           &needed)) {
      error_ = GetLastError();
      required = needed;
      return false;
    }
    buffer.resize(needed / 2);
    while (!buffer.empty() && buffer.back() == u'\0') buffer.pop_back();
    text = buffer;
    return true;
  }

  std::uint32_t LastError() override { return error_; }

  bool Close() override {
    if (list_ == INVALID_HANDLE_VALUE) return false;
    const bool ok = SetupDiDestroyDeviceInfoList(list_) != FALSE;
    list_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HDEVINFO list_ = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA info_{};
  std::uint32_t error_ = 0;
};

}  // namespace

UsbDeviceList& SystemUsbDevices() {
  // A fresh walker per call keeps the UI thread's walk self-contained.
  thread_local SetupApiUsbDevices devices;
  return devices;
}

}  // namespace dockline::device
