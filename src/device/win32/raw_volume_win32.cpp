#include <windows.h>

#include "device/raw_volume.h"
#include "platform/win32/unique_handle.h"

namespace dockline::device {
namespace {

std::optional<OsVersion> QueryVersion() {
  // GetVersionEx lies to programs without a manifest on newer systems, but the
  // platform id it reports (NT) is all that matters here.
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return std::nullopt;
#pragma GCC diagnostic pop
  return OsVersion{info.dwPlatformId, info.dwMinorVersion};
}

bool Valid(HANDLE h) { return platform::KernelHandleTraits::IsValid(h); }

}  // namespace

RawVolume::RawVolume() : method_(SelectRawMethod(QueryVersion())), handle_(INVALID_HANDLE_VALUE) {
  if (method_ == RawMethod::LegacyDos) {
    handle_ = CreateFileW(L"\\\\.\\vwin32", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  }
}

// The driver handle of the legacy family is the only one kept open.
RawVolume::~RawVolume() { platform::KernelHandle legacy(handle_); }

bool RawVolume::ReadSectors(char letter, std::uint32_t firstSector, std::uint16_t count, void* buffer) {
  switch (method_) {
    case RawMethod::LegacyDos: {
      if (!Valid(handle_)) return false;
      DiskTransferPacket packet{};
      // The legacy family is 32-bit only, where addresses fit the packet.
      auto regs = BuildLegacyRead(letter, firstSector, count,
                                  static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(buffer)),
                                  static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&packet)), packet);
      if (!regs) return false;
      DWORD returned = 0;
      const BOOL ok = DeviceIoControl(handle_, kVwin32DosDriveInfo, &*regs, sizeof(*regs), &*regs, sizeof(*regs),
                                      &returned, nullptr);
      return ok && (regs->flags & kCarryFlag) == 0;
    }
    case RawMethod::NtVolume: {
      if (letter == 0) return false;
      wchar_t path[] = L"\\\\.\\A:";
      path[4] = static_cast<wchar_t>(static_cast<unsigned char>(letter));
      // Others keep writing to the volume; we only peek at its first sectors.
      platform::KernelHandle volume(
          CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
      if (!volume) return false;
      LARGE_INTEGER offset{};
      offset.QuadPart = static_cast<LONGLONG>(firstSector) * static_cast<LONGLONG>(kSectorSize);
      if (!SetFilePointerEx(volume.Get(), offset, nullptr, FILE_BEGIN)) return false;
      const DWORD want = static_cast<DWORD>(count) * kSectorSize;
      DWORD got = 0;
      // A short read leaves stale bytes in the buffer: it is not a success.
      return ReadFile(volume.Get(), buffer, want, &got, nullptr) && got == want;
    }
    case RawMethod::None:
      break;
  }
  return false;
}

}  // namespace dockline::device
