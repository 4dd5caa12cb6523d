#include "platform/file_copy.h"

#include <memory>

#include "platform/content_hash.h"
#include "platform/copy_backend.h"

namespace dockline::platform {

std::optional<std::uint64_t> ReadableFileSize(const std::string& path, std::uint32_t* error) {
  detail::CopyHandle file;
  std::uint64_t size = 0;
  const std::uint32_t code = file.OpenForReading(path, size);
  if (error) *error = code;
  if (code != 0) return std::nullopt;
  return size;
}

namespace detail {

std::uint32_t HashFromMedium(const std::string& path, std::uint64_t& hash, const WholeReader& read) {
  for (const bool pastCache : {true, false}) {
    // A refusal may come after a first piece was read: each try hashes afresh.
    ContentHash running;
    const std::uint32_t code =
        read(path, pastCache, [&](const void* data, std::size_t size) { running.Update(data, size); });
    if (code == kPastCacheRefused) continue;
    if (code == 0) hash = running.Digest();
    return code;
  }
  return kPastCacheRefused;  // not reached: a plain read is never refused so
}

}  // namespace detail

std::uint32_t HashFileFromMedium(const std::string& path, std::uint64_t& hash) {
  return detail::HashFromMedium(path, hash, detail::ReadWhole);
}

CopyResult CopyFileStreaming(const std::string& source, const std::string& target, const CopyProgress& progress,
                             const ReadBack& readBack) {
  CopyResult result;
  const auto fail = [&result](CopyStatus status, std::uint32_t code) {
    result.status = status;
    result.error = code;
    return result;
  };
  detail::CopyHandle in;
  std::uint64_t total = 0;
  if (const auto code = in.OpenForReading(source, total)) return fail(CopyStatus::ReadFailed, code);
  if (progress && !progress(0, total)) return fail(CopyStatus::Stopped, 0);

  const std::string partial = PartialName(target);
  detail::CopyHandle out;
  if (const auto code = out.Create(partial)) return fail(CopyStatus::WriteFailed, code);
  // From here on every way out that does not place the copy removes it.
  const auto abandon = [&](CopyStatus status, std::uint32_t code) {
    out.Close();
    detail::RemoveQuietly(partial);
    return fail(status, code);
  };

  // The kernel's own copy where it is offered (no bytes through this
  // process); otherwise, or after a failure in it, the plain loop, which also
  // tells whether reading or writing failed. Bytes to be hashed must pass
  // through here.
  bool inKernel = !readBack;
  std::unique_ptr<ContentHash> hash = readBack ? std::make_unique<ContentHash>() : nullptr;
  std::unique_ptr<std::uint8_t[]> buffer;
  for (;;) {
    std::size_t got = 0;
    if (inKernel) {
      const auto code = out.CopyFrom(in, kCopyBlockSize, got);
      if (code != 0 && IsDiskFull(code)) return abandon(CopyStatus::WriteFailed, code);
      // Some files (those of /proc among them) claim to be empty to the kernel's copy.
      if (code != 0 || (got == 0 && result.copied < total)) {
        inKernel = false;
        continue;
      }
    } else {
      if (!buffer) buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kCopyBlockSize);
      if (const auto code = in.Read(buffer.get(), kCopyBlockSize, got)) return abandon(CopyStatus::ReadFailed, code);
      if (hash) hash->Update(buffer.get(), got);
      if (got > 0)
        if (const auto code = out.Write(buffer.get(), got)) return abandon(CopyStatus::WriteFailed, code);
    }
    if (got == 0) break;
    result.copied += got;
    // A file that grew while being copied is reported against its first size.
    if (progress && !progress(result.copied < total ? result.copied : total, total))
      return abandon(CopyStatus::Stopped, 0);
  }
  in.Close();
  if (const auto code = out.FlushAndClose()) return abandon(CopyStatus::WriteFailed, code);
  // Checked while it is still the temporary copy: once moved, a bad copy
  // would already have taken the old version's place.
  if (hash) {
    std::uint64_t found = 0;
    result.unchecked = readBack(partial, found);
    if (result.unchecked == 0 && found != hash->Digest()) return abandon(CopyStatus::Mismatch, 0);
  }
  if (progress && !progress(total, total)) return abandon(CopyStatus::Stopped, 0);
  if (const auto code = detail::MoveReplacing(partial, target)) return abandon(CopyStatus::PlaceFailed, code);
  return result;
}

}  // namespace dockline::platform
