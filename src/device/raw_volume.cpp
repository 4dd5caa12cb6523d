#include "device/raw_volume.h"

namespace dockline::device {

RawMethod SelectRawMethod(std::optional<OsVersion> reported) {
  if (!reported) return RawMethod::None;
  switch (reported->platformId) {
    case 1: return reported->minorVersion > 0 ? RawMethod::LegacyDos : RawMethod::None;  // 95 has no 7305h
    case 2: return RawMethod::NtVolume;
    default: return RawMethod::None;  // Win32s and anything unknown
  }
}

std::optional<DosRegisters> BuildLegacyRead(char letter, std::uint32_t firstSector, std::uint16_t count,
                                            std::uint32_t bufferAddress, std::uint32_t packetAddress,
                                            DiskTransferPacket& packet) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  packet.firstSector = firstSector;
  packet.sectorCount = count;
  packet.bufferAddress = bufferAddress;
  DosRegisters r{};
  r.ebx = packetAddress;
  r.edx = static_cast<std::uint32_t>(letter - 'A' + 1);
  r.ecx = 0xFFFFFFFFu;  // -1 selects the packet form of the call
  r.eax = 0x7305;       // extended absolute disk read/write
  r.edi = 0;
  r.esi = 0;            // bit 0 clear: read
  r.flags = 0;
  return r;
}

}  // namespace dockline::device
