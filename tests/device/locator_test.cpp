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

TEST(FindDeviceDrive, SignatureWinsAndFirstSignatureInRootOrderIsTaken) {
  FakeVolumes v;
  v.drives['C'] = {DriveType::Fixed, true, "NO NAME    ", "系统"};
  v.drives['E'] = {DriveType::Fixed, true, "NO NAME    ", "曜川6170"};
  v.drives['F'] = {DriveType::Fixed, true, kSig, "OTHER"};  // found although its label differs
  v.drives['G'] = {DriveType::Fixed, true, kSig, std::nullopt};
  EXPECT_EQ(FindDeviceDrive(v), 'F');
  EXPECT_EQ(v.reads, (std::vector<char>{'C', 'E', 'F'}));  // stops at the first match
  EXPECT_TRUE(v.labelQueries.empty());
}

TEST(FindDeviceDrive, SignatureMustMatchByteForByte) {
  for (const std::string& field : {"6170 V1.0 X"s, "6170 v1.0  "s, "6170 V1.0\0\0"s}) {
    FakeVolumes v;
    v.drives['D'] = {DriveType::Fixed, true, field, "DATA"};
    EXPECT_EQ(FindDeviceDrive(v), 0) << field;
  }
}

TEST(FindDeviceDrive, RemovableAndOtherDrivesAreNeverCandidates) {
  FakeVolumes v;
  v.drives['A'] = {DriveType::Removable, true, kSig, "曜川6170"};
  v.drives['D'] = {DriveType::CdRom, true, kSig, "曜川6170"};
  v.drives['N'] = {DriveType::Remote, true, kSig, "曜川6170"};
  v.drives['R'] = {DriveType::RamDisk, true, kSig, "曜川6170"};
  v.drives['U'] = {DriveType::Unknown, true, kSig, "曜川6170"};
  EXPECT_EQ(FindDeviceDrive(v), 0);
  EXPECT_TRUE(v.reads.empty());
  EXPECT_TRUE(v.labelQueries.empty());  // no fixed drive: no label is asked for
}

TEST(FindDeviceDrive, LabelPassTakesTheLastLabelledDriveAndIsExact) {
  FakeVolumes v;
  v.drives['C'] = {DriveType::Fixed, false, "", "曜川6170"};  // unreadable: still a label candidate
  v.drives['D'] = {DriveType::Fixed, true, "", "曜川6170 "};
  v.drives['E'] = {DriveType::Fixed, true, "", "曜川6170"};
  v.drives['F'] = {DriveType::Fixed, true, "", "曜川61700"};
  v.drives['G'] = {DriveType::Fixed, true, "", std::nullopt};  // a failed query matches nothing
  EXPECT_EQ(FindDeviceDrive(v), 'E');
  EXPECT_EQ(v.labelQueries, (std::vector<char>{'G', 'F', 'E'}));  // last to first
}

TEST(FindDeviceDrive, SignatureAfterALabelledDriveStillWins) {
  FakeVolumes v;
  v.drives['C'] = {DriveType::Fixed, true, "", "曜川6170"};
  v.drives['H'] = {DriveType::Fixed, true, kSig, ""};
  EXPECT_EQ(FindDeviceDrive(v), 'H');
}

TEST(FindDeviceDrive, ExaminesEveryFixedDriveHoweverMany) {
  // Twenty-six fixed drives, only the last labelled: nothing is cut off.
  FakeVolumes v;
  for (char c = 'A'; c <= 'Z'; ++c) v.drives[c] = {DriveType::Fixed, true, "", "DATA"};
  v.drives['Z'].label = "曜川6170";
  EXPECT_EQ(FindDeviceDrive(v), 'Z');
  v.drives['Z'] = {DriveType::Fixed, true, kSig, ""};
  v.drives['Z'].bootLabelField = kSig;
  EXPECT_EQ(FindDeviceDrive(v), 'Z');
  EXPECT_EQ(v.reads.size(), 26u * 2);
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

TEST(FindUsbBridge, MatchesWithoutRegardToCaseAndTheLastMatchWins) {
  FakeUsb usb;
  usb.devices = {u"Port_#0001.Hub_#0001", u"usb-ide ar2001 ", std::nullopt, u"USB-IDE AR2001 ", u"USB-IDE AR2001"};
  EXPECT_EQ(FindUsbBridge(usb), 1);
  EXPECT_EQ(RecordedBridgeIndex.load(), 3);  // index 4 lacks the trailing blank
  EXPECT_TRUE(usb.closed);
  EXPECT_EQ(usb.requests, 2 + 2 + 1 + 2 + 2);  // size query, then the read; the unreadable one once
}

TEST(FindUsbBridge, NoMatchRecordsMinusOneAndErrorsReturnZero) {
  FakeUsb usb;
  usb.devices = {u"x"};
  RecordedBridgeIndex = 7;
  EXPECT_EQ(FindUsbBridge(usb), 1);
  EXPECT_EQ(RecordedBridgeIndex.load(), -1);

  usb.endError = 0;  // a clean end with no error code also counts as the normal end
  EXPECT_EQ(FindUsbBridge(usb), 1);

  usb.endError = 5;  // access denied in the middle of the walk
  usb.closed = false;
  EXPECT_EQ(FindUsbBridge(usb), 0);
  EXPECT_TRUE(usb.closed);  // the list is released all the same

  FakeUsb cannotOpen;
  cannotOpen.openOk = false;
  EXPECT_EQ(FindUsbBridge(cannotOpen), 0);
  EXPECT_FALSE(cannotOpen.closed);
}

}  // namespace
}  // namespace dockline::device
