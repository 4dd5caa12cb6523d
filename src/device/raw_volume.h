#pragma once
// Whole 512-byte sectors of a drive, read underneath its file system. The
// Windows 98/Me family offers this through the vwin32 device (DOS service
// 7305h), the NT family through the volume device "\\.\X:". Everything else
// (Windows 95, Win32s) has no raw access and every read fails.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace dockline::device {

constexpr std::size_t kSectorSize = 512;

enum class RawMethod : std::int32_t { None = 0, LegacyDos = 1, NtVolume = 2 };

struct OsVersion {
  std::uint32_t platformId;  // 0 Win32s, 1 Windows 9x, 2 NT
  std::uint32_t minorVersion;
};

// The method is a pure function of what the version query reports
// (std::nullopt when the query itself failed).
RawMethod SelectRawMethod(std::optional<OsVersion> reported);

#pragma pack(push, 1)
// The DOS absolute-disk-read packet, exactly as the 32-bit service takes it.
struct DiskTransferPacket {
  std::uint32_t firstSector;
  std::uint16_t sectorCount;
  std::uint32_t bufferAddress;
};
#pragma pack(pop)
static_assert(sizeof(DiskTransferPacket) == 10, "the service reads a 10-byte packet");

// The register block exchanged with vwin32 (VWIN32_DIOC_DOS_DRIVEINFO).
struct DosRegisters {
  std::uint32_t ebx, edx, ecx, eax, edi, esi, flags;
};
static_assert(sizeof(DosRegisters) == 28, "vwin32 exchanges seven 32-bit registers");

constexpr std::uint32_t kVwin32DosDriveInfo = 6;
constexpr std::uint32_t kCarryFlag = 1;

// Fills the packet and the registers of a read of `count` sectors from
// `firstSector` of drive `letter` (A: = 1) into the buffer at `bufferAddress`.
// `packetAddress` is where the caller keeps the packet. std::nullopt for a
// letter that is not A..Z.
std::optional<DosRegisters> BuildLegacyRead(char letter, std::uint32_t firstSector, std::uint16_t count,
                                            std::uint32_t bufferAddress, std::uint32_t packetAddress,
                                            DiskTransferPacket& packet);

// One object per read: created, read once, destroyed (it closes what it opened).
class RawVolume {
 public:
  RawVolume();
  ~RawVolume();
  RawVolume(const RawVolume&) = delete;
  RawVolume& operator=(const RawVolume&) = delete;

  RawMethod method() const { return method_; }

  // Reads count sectors from firstSector into buffer (count × 512 bytes).
  // True only when every byte asked for was read.
  bool ReadSectors(char letter, std::uint32_t firstSector, std::uint16_t count, void* buffer);

 private:
  RawMethod method_;
  [[maybe_unused]] void* handle_;  // the platform handle (Windows); null or the invalid handle when none
};

}  // namespace dockline::device
