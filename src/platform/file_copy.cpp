#include "platform/file_copy.h"

#include <algorithm>
#include <memory>

#include "platform/content_hash.h"
#include "platform/copy_backend.h"

namespace dockline::platform {

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

CopySource::CopySource() : handle_(std::make_unique<detail::CopyHandle>()) {}
CopySource::~CopySource() = default;

std::uint32_t CopySource::Open(const std::string& path) {
  path_ = path;
  size = 0;
  writeTime = 0;
  const std::uint32_t code = handle_->OpenForReading(path, size, writeTime);
  if (code != 0) handle_->Close();
  return code;
}

bool CopySource::IsOpen() const { return handle_->valid(); }

struct StagedCopy::State {
  detail::CopyHandle out;
  std::string partial, target;
  std::uint64_t copied = 0;
  std::optional<std::uint64_t> digest;  // of the bytes read from the source, when the copy is to be read back
  ReadBack readBack;
  StepFault fault;
  bool checked = false;  // flushed (and read back): only the move is left
  std::uint32_t unchecked = 0;

  std::uint32_t Refused(CopyStep step) const { return fault ? fault(step, target) : 0; }
};

StagedCopy::StagedCopy() = default;
StagedCopy::~StagedCopy() { Abandon(); }
StagedCopy::StagedCopy(StagedCopy&&) noexcept = default;
StagedCopy& StagedCopy::operator=(StagedCopy&& other) noexcept {
  if (this != &other) {
    Abandon();
    state_ = std::move(other.state_);
  }
  return *this;
}

const std::string& StagedCopy::Target() const {
  static const std::string none;
  return state_ ? state_->target : none;
}

std::uint64_t StagedCopy::Size() const { return state_ ? state_->copied : 0; }

void StagedCopy::Abandon() {
  if (!state_) return;
  state_->out.Close();
  detail::RemoveQuietly(state_->partial);
  state_.reset();
}

CopyResult StagedCopy::Stage(CopySource& source, const std::string& target, const CopyProgress& progress,
                             const CopyOptions& options) {
  Abandon();
  CopyResult result;
  const auto fail = [&result](CopyStatus status, std::uint32_t code) {
    result.status = status;
    result.error = code;
    return result;
  };
  const std::uint64_t total = source.size;
  if (progress && !progress(0, total)) return fail(CopyStatus::Stopped, 0);

  auto state = std::make_unique<State>();
  state->partial = PartialName(target);
  state->target = target;
  state->readBack = options.readBack;
  state->fault = options.fault;
  std::uint32_t created = state->Refused(CopyStep::Create);
  if (created == 0) created = state->out.Create(state->partial);
  if (created != 0) return fail(CopyStatus::WriteFailed, created);
  // From here on every way out that does not keep the copy removes it.
  const auto abandon = [&](CopyStatus status, std::uint32_t code) {
    state->out.Close();
    detail::RemoveQuietly(state->partial);
    return fail(status, code);
  };

  // The kernel's own copy where it is offered (no bytes through this
  // process); otherwise, or after a failure in it, the plain loop, which also
  // tells whether reading or writing failed. Bytes to be hashed must pass
  // through here.
  detail::CopyHandle& in = *source.handle_;
  bool inKernel = !options.readBack;
  std::unique_ptr<ContentHash> hash = options.readBack ? std::make_unique<ContentHash>() : nullptr;
  // A small file needs no block of full size: allocating one for each of a
  // thousand songs would cost more than their bytes.
  const std::size_t blockSize =
      static_cast<std::size_t>(std::clamp<std::uint64_t>(total + 1, 64 * 1024, kCopyBlockSize));
  std::unique_ptr<std::uint8_t[]> buffer;
  for (;;) {
    std::size_t got = 0;
    if (const auto code = state->Refused(CopyStep::Write)) return abandon(CopyStatus::WriteFailed, code);
    if (inKernel) {
      const auto code = state->out.CopyFrom(in, kCopyBlockSize, got);
      if (code != 0 && IsDiskFull(code)) return abandon(CopyStatus::WriteFailed, code);
      // Some files (those of /proc among them) claim to be empty to the kernel's copy.
      if (code != 0 || (got == 0 && result.copied < total)) {
        inKernel = false;
        continue;
      }
    } else {
      if (!buffer) buffer = std::make_unique_for_overwrite<std::uint8_t[]>(blockSize);
      if (const auto code = in.Read(buffer.get(), blockSize, got)) return abandon(CopyStatus::ReadFailed, code);
      if (hash) hash->Update(buffer.get(), got);
      if (got > 0)
        if (const auto code = state->out.Write(buffer.get(), got)) return abandon(CopyStatus::WriteFailed, code);
    }
    if (got == 0) break;
    result.copied += got;
    // A file that grew while being copied is reported against its first size.
    if (progress && !progress(result.copied < total ? result.copied : total, total))
      return abandon(CopyStatus::Stopped, 0);
  }
  in.Close();
  // Some file systems keep no time that can be set; the copy is whole all the same.
  if (const FileTime time = options.writeTime.value_or(source.writeTime); time != 0) state->out.SetWriteTime(time);
  state->copied = result.copied;
  if (hash) state->digest = hash->Digest();
  state_ = std::move(state);
  return result;
}

CopyResult StagedCopy::Place(bool replace, const std::function<bool()>& ready) {
  CopyResult result;
  if (!state_) {
    result.status = CopyStatus::Stopped;
    return result;
  }
  State& s = *state_;
  result.copied = s.copied;
  const auto giveUp = [&](CopyStatus status, std::uint32_t code) {
    Abandon();
    result.status = status;
    result.error = code;
    return result;
  };
  // Checked while it is still the temporary copy: once moved, a bad copy
  // would already have taken the old version's place.
  if (!s.checked) {
    std::uint32_t code = s.Refused(CopyStep::Flush);
    if (code == 0) code = s.out.Flush();
    if (code != 0) return giveUp(CopyStatus::WriteFailed, code);
    if (s.digest) {
      // The read-back opens the copy afresh, past the cache.
      if (const auto closed = s.out.CloseChecked()) return giveUp(CopyStatus::WriteFailed, closed);
      std::uint64_t found = 0;
      s.unchecked = s.readBack(s.partial, found);
      if (s.unchecked == 0 && found != *s.digest) return giveUp(CopyStatus::Mismatch, 0);
    }
    s.checked = true;
  }
  result.unchecked = s.unchecked;
  if (ready && !ready()) return giveUp(CopyStatus::Stopped, 0);
  std::uint32_t code = s.Refused(CopyStep::Move);
  if (code == 0 && s.out.valid()) {
    code = s.out.MoveAndClose(s.partial, s.target, replace);
  } else if (code == 0) {
    code = detail::MoveByName(s.partial, s.target, replace);
  }
  if (code != 0 && !replace && detail::IsAlreadyThere(code)) {
    s.out.Close();
    result.status = CopyStatus::TargetExists;
    result.error = code;
    return result;
  }
  if (code != 0) return giveUp(CopyStatus::PlaceFailed, code);
  state_.reset();
  return result;
}

CopyResult CopyFileStreaming(const std::string& source, const std::string& target, const CopyProgress& progress,
                             const ReadBack& readBack) {
  CopySource in;
  if (const auto code = in.Open(source)) return {CopyStatus::ReadFailed, code, 0, 0};
  StagedCopy staged;
  CopyOptions options;
  options.readBack = readBack;
  const CopyResult written = staged.Stage(in, target, progress, options);
  if (!written.ok()) return written;
  const std::uint64_t total = in.size;
  return staged.Place(true, [&] { return !progress || progress(total, total); });
}

}  // namespace dockline::platform
