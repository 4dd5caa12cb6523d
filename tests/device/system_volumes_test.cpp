// Against the real system. Under tools/with-wine the simulated device is
// plugged in (DOCKLINE_SIM_DEVICE is set): G: carries the signature, H: is a
// removable drive that carries it too, F: a fixed drive without it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "device/device_locator.h"
#include "device/raw_volume.h"

namespace dockline::device {
namespace {

bool SimulatedDevicePresent() { return std::getenv("DOCKLINE_SIM_DEVICE") != nullptr; }

TEST(SystemVolumes, RawReadSeesTheBootSectorOfTheSimulatedDevice) {
  if (!SimulatedDevicePresent()) GTEST_SKIP() << "no simulated device in this environment";
  std::uint8_t sectors[1024] = {};
  {
    RawVolume volume;
    ASSERT_TRUE(volume.ReadSectors('G', 0, 2, sectors));
  }
  EXPECT_EQ(0, std::memcmp(sectors + kBootSignatureOffset, kBootSignature, kBootSignatureLength));
  EXPECT_EQ(sectors[510], 0x55);
  std::uint8_t other[1024] = {};
  RawVolume volume;
  ASSERT_TRUE(volume.ReadSectors('F', 0, 2, other));
  EXPECT_NE(0, std::memcmp(other + kBootSignatureOffset, kBootSignature, kBootSignatureLength));
}

TEST(SystemVolumes, FindsTheFixedDriveNeverTheRemovableOne) {
  if (!SimulatedDevicePresent()) GTEST_SKIP() << "no simulated device in this environment";
  EXPECT_EQ(platform::DriveTypeOf("H:\\"), platform::DriveType::Removable);
  EXPECT_EQ(platform::DriveTypeOf("G:\\"), platform::DriveType::Fixed);
  EXPECT_EQ(FindDeviceDrive(), 'G');
}

}  // namespace
}  // namespace dockline::device
