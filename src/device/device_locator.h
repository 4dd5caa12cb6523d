#pragma once
// Which drive letter is the handheld device mounted on, if any.
//
// First pass: every fixed drive, in drive-root order, is read raw and the
// first whose boot sector carries the signature wins. Second pass (no
// signature anywhere): the fixed drives from last to first, by volume label.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace dockline::device {

// Bytes 43..53 of sector 0: the volume-label field of a FAT12/FAT16 boot sector.
inline constexpr char kBootSignature[] = "6170 V1.0  ";
inline constexpr std::size_t kBootSignatureOffset = 43;
inline constexpr std::size_t kBootSignatureLength = 11;
inline constexpr char kDeviceLabel[] = "曜川6170";
inline constexpr char kBridgeDescription[] = "USB-IDE AR2001 ";

// The questions the locator asks of the system, so that its order rules can
// be tested against a fake.
class VolumeQueries {
 public:
  virtual ~VolumeQueries() = default;
  virtual std::vector<std::string> DriveRoots() = 0;              // "C:\", …
  virtual platform::DriveType DriveTypeOf(const std::string& root) = 0;
  // Sectors 0 and 1 (1024 bytes) of the drive; false when they cannot be read.
  virtual bool ReadBootSectors(char letter, std::uint8_t (&buffer)[1024]) = 0;
  virtual std::optional<std::string> VolumeLabel(const std::string& root) = 0;
};

// The real system: platform services and RawVolume.
VolumeQueries& SystemVolumes();

// The device's drive letter (upper case, as the enumeration spells it) or 0.
char FindDeviceDrive(VolumeQueries& volumes);
inline char FindDeviceDrive() { return FindDeviceDrive(SystemVolumes()); }

// Whether the device found on `letter` is still there and still the device,
// asking of that one drive only: its boot sector carries the signature, or,
// for a device known by its label, it is a fixed drive with that label. A
// drive that came or went elsewhere is not noticed: that takes the full
// FindDeviceDrive.
bool IsStillDevice(VolumeQueries& volumes, char letter);
inline bool IsStillDevice(char letter) { return IsStillDevice(SystemVolumes(), letter); }

// The present USB devices, as SetupAPI shows them.
class UsbDeviceList {
 public:
  virtual ~UsbDeviceList() = default;
  // Obtains the list of present USB device interfaces.
  virtual bool Open() = 0;
  // Whether the device at index exists; false ends the walk, with LastError().
  virtual bool Fetch(std::uint32_t index) = 0;
  // The location-information property of the device last fetched, into
  // buffer (size bytes). On failure returns false with LastError(); with
  // ERROR_INSUFFICIENT_BUFFER `required` holds the size needed.
  virtual bool LocationInformation(std::uint32_t index, std::u16string& text, std::size_t bufferBytes,
                                   std::size_t& required) = 0;
  virtual std::uint32_t LastError() = 0;
  // Releases the list; its answer is the walk's answer.
  virtual bool Close() = 0;
};

constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorNoMoreItems = 259;

UsbDeviceList& SystemUsbDevices();

// The index of the last USB device whose location information is the bridge
// description (without regard to case), or −1. Rewritten by every walk.
extern std::atomic<std::int32_t> RecordedBridgeIndex;

// Nonzero when the walk ran to its normal end and the list was released.
int FindUsbBridge(UsbDeviceList& devices);
inline int FindUsbBridge() { return FindUsbBridge(SystemUsbDevices()); }

}  // namespace dockline::device
