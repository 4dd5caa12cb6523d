#include "device/device_locator.h"

#include <cstring>

#include "device/raw_volume.h"

namespace dockline::device {

std::atomic<std::int32_t> RecordedBridgeIndex{-1};

namespace {

class SystemVolumeQueries final : public VolumeQueries {
 public:
  std::vector<std::string> DriveRoots() override { return platform::DriveRoots(); }
  platform::DriveType DriveTypeOf(const std::string& root) override { return platform::DriveTypeOf(root); }
  bool ReadBootSectors(char letter, std::uint8_t (&buffer)[1024]) override {
    RawVolume volume;  // one object per read, released before the next drive
    return volume.ReadSectors(letter, 0, 2, buffer);
  }
  std::optional<std::string> VolumeLabel(const std::string& root) override { return platform::VolumeLabel(root); }
};

char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsBridge(const std::u16string& text) {
  const std::string_view want = kBridgeDescription;
  if (text.size() != want.size()) return false;
  for (std::size_t i = 0; i < want.size(); ++i) {
    const char16_t c = text[i];
    if (c > 0x7F || ToUpper(static_cast<char>(c)) != ToUpper(want[i])) return false;
  }
  return true;
}

}  // namespace

VolumeQueries& SystemVolumes() {
  static SystemVolumeQueries queries;
  return queries;
}

char FindDeviceDrive(VolumeQueries& volumes) {
  // Every fixed drive is a candidate, however many there are.
  std::vector<char> candidates;
  for (const auto& root : volumes.DriveRoots()) {
    if (root.empty()) continue;
    if (volumes.DriveTypeOf(root) != platform::DriveType::Fixed) continue;
    const char letter = root[0];
    candidates.push_back(letter);
    std::uint8_t sectors[1024] = {};
    if (volumes.ReadBootSectors(letter, sectors) &&
        std::memcmp(sectors + kBootSignatureOffset, kBootSignature, kBootSignatureLength) == 0) {
      return letter;
    }
  }
  // Among drives that carry only the label, the last one wins.
  for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
    const std::string root = std::string(1, *it) + ":\\";
    const auto label = volumes.VolumeLabel(root);
    if (label && *label == kDeviceLabel) return *it;
  }
  return 0;
}

bool IsStillDevice(VolumeQueries& volumes, char letter) {
  if (letter == 0) return false;
  std::uint8_t sectors[1024] = {};
  if (volumes.ReadBootSectors(letter, sectors) &&
      std::memcmp(sectors + kBootSignatureOffset, kBootSignature, kBootSignatureLength) == 0)
    return true;
  const std::string root = std::string(1, letter) + ":\\";
  if (volumes.DriveTypeOf(root) != platform::DriveType::Fixed) return false;
  const auto label = volumes.VolumeLabel(root);
  return label && *label == kDeviceLabel;
}

int FindUsbBridge(UsbDeviceList& devices) {
  RecordedBridgeIndex = -1;
  if (!devices.Open()) return 0;
  std::uint32_t index = 0;
  for (; devices.Fetch(index); ++index) {
    std::u16string text;
    std::size_t bufferBytes = 0;
    bool haveText = false;
    for (;;) {
      std::size_t required = 0;
      if (devices.LocationInformation(index, text, bufferBytes, required)) {
        haveText = true;
        break;
      }
      // Only a "buffer too small" with a larger size is worth another try;
      // anything else (or a size that does not grow) leaves the device without text.
      if (devices.LastError() != kErrorInsufficientBuffer || required <= bufferBytes) break;
      bufferBytes = required;
    }
    if (haveText && EqualsBridge(text)) RecordedBridgeIndex = static_cast<std::int32_t>(index);
  }
  const std::uint32_t error = devices.LastError();
  const bool released = devices.Close();  // released on every path, not only the normal end
  if (error != 0 && error != kErrorNoMoreItems) return 0;
  return released ? 1 : 0;
}

}  // namespace dockline::device
