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

TEST(LegacyRead, PacketAndRegistersHaveTheServiceLayout) {
  DiskTransferPacket packet{};
  const auto regs = BuildLegacyRead('E', 0, 2, 0x00401000u, 0x0012FF00u, packet);
  ASSERT_TRUE(regs);
  // The packet: sector (4), count (2), buffer (4), packed without gaps.
  static_assert(offsetof(DiskTransferPacket, sectorCount) == 4);
  static_assert(offsetof(DiskTransferPacket, bufferAddress) == 6);
  unsigned char bytes[10];
  std::memcpy(bytes, &packet, 10);
  const unsigned char expected[10] = {0, 0, 0, 0, 2, 0, 0x00, 0x10, 0x40, 0x00};
  EXPECT_EQ(0, std::memcmp(bytes, expected, 10));
  // Registers in the order vwin32 exchanges them.
  EXPECT_EQ(regs->ebx, 0x0012FF00u);
  EXPECT_EQ(regs->edx, 5u);  // E: is drive 5
  EXPECT_EQ(regs->ecx, 0xFFFFFFFFu);
  EXPECT_EQ(regs->eax, 0x7305u);
  EXPECT_EQ(regs->edi, 0u);
  EXPECT_EQ(regs->esi, 0u);
  EXPECT_EQ(regs->flags, 0u);
  std::uint32_t raw[7];
  std::memcpy(raw, &*regs, sizeof(raw));
  EXPECT_EQ(raw[1], 5u);
  EXPECT_EQ(raw[3], 0x7305u);

  EXPECT_EQ(BuildLegacyRead('a', 0, 1, 0, 0, packet)->edx, 1u);
  EXPECT_EQ(BuildLegacyRead('Z', 0, 1, 0, 0, packet)->edx, 26u);
  EXPECT_FALSE(BuildLegacyRead(0, 0, 1, 0, 0, packet));
}

TEST(RawVolume, LetterZeroFailsWithoutOpeningAnything) {
  RawVolume v;
  std::uint8_t buffer[1024];
  EXPECT_FALSE(v.ReadSectors(0, 0, 2, buffer));
}

}  // namespace
}  // namespace dockline::device
