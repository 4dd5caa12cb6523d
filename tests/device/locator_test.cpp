#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

using namespace std::string_literals;

#include "device/device_locator.h"

namespace dockline::device {
namespace {

using platform::DriveType;

struct FakeDrive {
  DriveType type = DriveType::Fixed;
  bool readable = true;
  std::string bootLabelField;  // what bytes 43..53 of sector 0 hold
  std::optional<std::string> label;
};

class FakeVolumes : public VolumeQueries {
 public:
  std::map<char, FakeDrive> drives;
  std::vector<char> reads, labelQueries;

  std::vector<std::string> DriveRoots() override {
    std::vector<std::string> roots;
    for (auto& [letter, d] : drives) roots.push_back(std::string(1, letter) + ":\\");
    return roots;
  }
  DriveType DriveTypeOf(const std::string& root) override { return drives.at(root[0]).type; }
  bool ReadBootSectors(char letter, std::uint8_t (&buffer)[1024]) override {
    reads.push_back(letter);
    const auto& d = drives.at(letter);
    if (!d.readable) return false;
    std::memcpy(buffer + kBootSignatureOffset, d.bootLabelField.data(),
                std::min<std::size_t>(d.bootLabelField.size(), 1024 - kBootSignatureOffset));
    return true;
  }
  std::optional<std::string> VolumeLabel(const std::string& root) override {
    labelQueries.push_back(root[0]);
    return drives.at(root[0]).label;
  }
};

const std::string kSig = "6170 V1.0  ";

std::map<char, FakeDrive> TwentySixFixed(std::optional<std::string> lastLabel, std::string lastField) {
  std::map<char, FakeDrive> drives;
  for (char c = 'A'; c <= 'Z'; ++c) drives[c] = {DriveType::Fixed, true, "", "DATA"};
  drives['Z'] = {DriveType::Fixed, true, std::move(lastField), std::move(lastLabel)};
  return drives;
}

TEST(FindDeviceDrive, SignatureFirstInRootOrderThenLabelFromTheLastFixedDrive) {
  const FakeDrive kRemovable{DriveType::Removable, true, kSig, "曜川6170"};
  struct Case {
    const char* name;
    std::map<char, FakeDrive> drives;
    char found;
    const char* reads;         // drives whose sectors were read, in order; null: not checked
    const char* labelQueries;  // the same for label queries
  };
  const Case cases[] = {
      {"signature wins, the first one in root order, label ignored",
       {{'C', {DriveType::Fixed, true, "NO NAME    ", "系统"}},
        {'E', {DriveType::Fixed, true, "NO NAME    ", "曜川6170"}},
        {'F', {DriveType::Fixed, true, kSig, "OTHER"}},
        {'G', {DriveType::Fixed, true, kSig, std::nullopt}}},
       'F', "CEF", ""},
      {"signature differs by one byte", {{'D', {DriveType::Fixed, true, "6170 V1.0 X", "DATA"}}}, 0, nullptr, nullptr},
      {"signature in the wrong case", {{'D', {DriveType::Fixed, true, "6170 v1.0  ", "DATA"}}}, 0, nullptr, nullptr},
      {"signature cut by zeros", {{'D', {DriveType::Fixed, true, "6170 V1.0\0\0"s, "DATA"}}}, 0, nullptr, nullptr},
      {"removable and other kinds are never candidates",
       {{'A', kRemovable},
        {'D', {DriveType::CdRom, true, kSig, "曜川6170"}},
        {'N', {DriveType::Remote, true, kSig, "曜川6170"}},
        {'R', {DriveType::RamDisk, true, kSig, "曜川6170"}},
        {'U', {DriveType::Unknown, true, kSig, "曜川6170"}}},
       0, "", ""},
      {"label pass: last to first, exact, unreadable drives still count",
       {{'C', {DriveType::Fixed, false, "", "曜川6170"}},
        {'D', {DriveType::Fixed, true, "", "曜川6170 "}},
        {'E', {DriveType::Fixed, true, "", "曜川6170"}},
        {'F', {DriveType::Fixed, true, "", "曜川61700"}},
        {'G', {DriveType::Fixed, true, "", std::nullopt}}},
       'E', "CDEFG", "GFE"},
      {"a signature after a labelled drive still wins",
       {{'C', {DriveType::Fixed, true, "", "曜川6170"}}, {'H', {DriveType::Fixed, true, kSig, ""}}}, 'H', "CH", ""},
      {"every fixed drive is examined, by label", TwentySixFixed("曜川6170", ""), 'Z', nullptr, nullptr},
      {"every fixed drive is examined, by signature", TwentySixFixed("", kSig), 'Z', nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeVolumes v;
    v.drives = c.drives;
    EXPECT_EQ(FindDeviceDrive(v), c.found);
    if (c.reads) {
      EXPECT_EQ(std::string(v.reads.begin(), v.reads.end()), c.reads);
    }
    if (c.labelQueries) {
      EXPECT_EQ(std::string(v.labelQueries.begin(), v.labelQueries.end()), c.labelQueries);
    }
  }
}

// ---- USB bridge walk ----

struct FakeUsb : UsbDeviceList {
  std::vector<std::optional<std::u16string>> devices;  // nullopt: property unreadable
  bool openOk = true, closeOk = true, closed = false;
  std::uint32_t endError = kErrorNoMoreItems;
  std::uint32_t error = 0;
  int requests = 0;

  bool Open() override { return openOk; }
  bool Fetch(std::uint32_t index) override {
    if (index < devices.size()) return true;
    error = endError;
    return false;
  }
  bool LocationInformation(std::uint32_t index, std::u16string& text, std::size_t bufferBytes,
                           std::size_t& required) override {
    ++requests;
    const auto& d = devices[index];
    if (!d) {
      error = 13;  // ERROR_INVALID_DATA: property absent
      return false;
    }
    const std::size_t need = (d->size() + 1) * 2;
    if (bufferBytes < need) {
      error = kErrorInsufficientBuffer;
      required = need;
      return false;
    }
    text = *d;
    return true;
  }
  std::uint32_t LastError() override { return error; }
  bool Close() override {
    closed = true;
    return closeOk;
  }
};

// The check of a known device asks of its own drive only: the signature, or
// for a device known by its label, a fixed drive still bearing it.
TEST(IsStillDevice, AsksOnlyOfItsOwnDrive) {
  FakeVolumes v;
  v.drives = {{'C', {DriveType::Fixed, true, kSig, "曜川6170"}},
              {'G', {DriveType::Fixed, true, kSig, "OTHER"}},
              {'H', {DriveType::Fixed, true, "NO NAME    ", "曜川6170"}},
              {'R', {DriveType::Removable, false, "", "曜川6170"}},
              {'X', {DriveType::Fixed, false, "", "DATA"}}};
  EXPECT_TRUE(IsStillDevice(v, 'G'));
  EXPECT_TRUE(IsStillDevice(v, 'H'));
  EXPECT_FALSE(IsStillDevice(v, 'R'));
  EXPECT_FALSE(IsStillDevice(v, 'X'));
  EXPECT_FALSE(IsStillDevice(v, 0));
  EXPECT_EQ(v.reads, (std::vector<char>{'G', 'H', 'R', 'X'}));
  EXPECT_EQ(v.labelQueries, (std::vector<char>{'H', 'X'}));
}

TEST(FindUsbBridge, MatchesWithoutRegardToCaseTheLastWinsAndAFailedWalkStillReleasesTheList) {
  FakeUsb usb;
  usb.devices = {u"Port_#0001.Hub_#0001", u"usb-ide ar2001 ", std::nullopt, u"USB-IDE AR2001 ", u"USB-IDE AR2001"};
  EXPECT_EQ(FindUsbBridge(usb), 1);
  EXPECT_EQ(RecordedBridgeIndex.load(), 3);  // index 4 lacks the trailing blank
  EXPECT_TRUE(usb.closed);
  EXPECT_EQ(usb.requests, 2 + 2 + 1 + 2 + 2);  // size query, then the read; the unreadable one once

  usb.devices = {u"x"};
  EXPECT_EQ(FindUsbBridge(usb), 1);
  EXPECT_EQ(RecordedBridgeIndex.load(), -1);
  usb.endError = 5;  // access denied in the middle of the walk
  usb.closed = false;
  EXPECT_EQ(FindUsbBridge(usb), 0);
  EXPECT_TRUE(usb.closed);

  FakeUsb cannotOpen;
  cannotOpen.openOk = false;
  EXPECT_EQ(FindUsbBridge(cannotOpen), 0);
  EXPECT_FALSE(cannotOpen.closed);
}

}  // namespace
}  // namespace dockline::device
