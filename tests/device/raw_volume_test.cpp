#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "device/raw_volume.h"

namespace dockline::device {
namespace {

TEST(RawMethod, FollowsThePlatformAndMinorVersion) {
  EXPECT_EQ(SelectRawMethod(std::nullopt), RawMethod::None);
  EXPECT_EQ(SelectRawMethod(OsVersion{0, 1}), RawMethod::None);       // Win32s
  EXPECT_EQ(SelectRawMethod(OsVersion{1, 0}), RawMethod::None);       // Windows 95
  EXPECT_EQ(SelectRawMethod(OsVersion{1, 10}), RawMethod::LegacyDos); // Windows 98
  EXPECT_EQ(SelectRawMethod(OsVersion{1, 90}), RawMethod::LegacyDos); // Me
  EXPECT_EQ(SelectRawMethod(OsVersion{2, 0}), RawMethod::NtVolume);
  EXPECT_EQ(SelectRawMethod(OsVersion{3, 0}), RawMethod::None);
}

TEST(RawVolume, LetterZeroFailsWithoutOpeningAnything) {
  RawVolume v;
  std::uint8_t buffer[1024];
  EXPECT_FALSE(v.ReadSectors(0, 0, 2, buffer));
}

}  // namespace
}  // namespace dockline::device
