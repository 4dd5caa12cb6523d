#include "convert/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/read_only_file.h"
#include "text/encoding.h"

namespace dockline::convert {
namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kEnd64Signature = 0x06064b50;
constexpr std::uint32_t kLocator64Signature = 0x07064b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kLocator64Size = 20;
constexpr std::size_t kEnd64Size = 56;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kChunk = 64 * 1024;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint64_t Le64(const std::uint8_t* p) { return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32; }

[[noreturn]] void Fail(BookProblem problem) { throw BookFailure(problem); }

// Where the central directory lies and how many entries it claims.
struct DirectoryPlace {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint64_t count = 0;
};

// The end record is the last thing in the archive but for its comment (at
// most 65535 bytes), so it is looked for backwards in that tail; of the
// signatures found, the last whose comment ends within the file counts.
// An archive that begins as one but has no end was cut short.
[[noreturn]] void FailWithoutEnd(ZipInput& input) {
  std::uint8_t head[4] = {};
  if (input.Size() >= 4) input.ReadAt(0, head, 4);
  Fail(Le32(head) == kLocalHeaderSignature ? BookProblem::Damaged : BookProblem::NotABook);
}

DirectoryPlace FindDirectory(ZipInput& input) {
  const std::uint64_t fileSize = input.Size();
  if (fileSize < kEndSize) FailWithoutEnd(input);
  const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + 0xFFFF));
  std::vector<std::uint8_t> buffer(tail);
  const std::uint64_t tailAt = fileSize - tail;
  input.ReadAt(tailAt, buffer.data(), tail);
  std::size_t at = tail - kEndSize + 1;
  for (;;) {
    if (at == 0) FailWithoutEnd(input);
    --at;
    const std::uint8_t* e = buffer.data() + at;
    if (Le32(e) == kEndSignature && at + kEndSize + Le16(e + 20) <= tail) break;
  }
  const std::uint8_t* e = buffer.data() + at;
  DirectoryPlace place{Le32(e + 16), Le32(e + 12), Le16(e + 10)};
  if (Le16(e + 4) != 0 || Le16(e + 6) != 0 || Le16(e + 8) != Le16(e + 10)) Fail(BookProblem::Unsupported);  // several disks
  const std::uint64_t endAt = tailAt + at;
  // ZIP64: a locator right before the end record points at the larger one.
  if (endAt >= kLocator64Size) {
    std::uint8_t locator[kLocator64Size];
    input.ReadAt(endAt - kLocator64Size, locator, kLocator64Size);
    if (Le32(locator) == kLocator64Signature) {
      const std::uint64_t end64At = Le64(locator + 8);
      if (end64At > endAt - kLocator64Size || endAt - kLocator64Size - end64At < kEnd64Size) Fail(BookProblem::Damaged);
      std::uint8_t end64[kEnd64Size];
      input.ReadAt(end64At, end64, kEnd64Size);
      if (Le32(end64) != kEnd64Signature) Fail(BookProblem::Damaged);
      place = {Le64(end64 + 48), Le64(end64 + 40), Le64(end64 + 32)};
      if (place.count != Le64(end64 + 24)) Fail(BookProblem::Unsupported);
      if (place.offset > end64At || end64At - place.offset < place.size) Fail(BookProblem::Damaged);
      return place;
    }
  }
  if (place.offset > endAt || endAt - place.offset < place.size) Fail(BookProblem::Damaged);
  return place;
}

// ZIP64's extra field holds, in this order, those of the sizes and the
// offset whose 32-bit field is all ones.
void ApplyZip64Extra(const std::uint8_t* extra, std::size_t length, ZipEntry& entry, bool sizeWide,
                     bool packedWide, bool offsetWide) {
  std::size_t at = 0;
  while (at + 4 <= length) {
    const std::uint16_t id = Le16(extra + at), size = Le16(extra + at + 2);
    at += 4;
    if (size > length - at) Fail(BookProblem::Damaged);
    if (id == 0x0001) {
      const std::uint8_t* p = extra + at;
      std::size_t left = size;
      const auto take = [&](std::uint64_t& field) {
        if (left < 8) Fail(BookProblem::Damaged);
        field = Le64(p);
        p += 8;
        left -= 8;
      };
      if (sizeWide) take(entry.size);
      if (packedWide) take(entry.packedSize);
      if (offsetWide) take(entry.localHeader);
      return;
    }
    at += size;
  }
  if (sizeWide || packedWide || offsetWide) Fail(BookProblem::Damaged);
}

bool LessName(std::string_view a, std::string_view b) { return a < b; }

// Streams one entry: compressed pieces in, stored copies or raw inflate out.
class EntryReader : public ByteSource {
 public:
  EntryReader(ZipInput& input, const ZipEntry& entry, std::uint64_t dataAt, std::stop_token stop,
              std::uint64_t* budget)
      : input_(input), entry_(entry), next_(dataAt), left_(entry.packedSize), stop_(std::move(stop)),
        budget_(budget) {
    if (entry.method == 8) {
      if (inflateInit2(&z_, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
      inflating_ = true;
    }
  }
  ~EntryReader() override {
    if (inflating_) inflateEnd(&z_);
  }

  std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
    if (size == 0 || done_) return 0;
    if (stop_.stop_requested()) Fail(BookProblem::Stopped);
    size = std::min<std::size_t>(size, kChunk);
    std::size_t got = entry_.method == 8 ? Inflate(buffer, size) : Copy(buffer, size);
    Account(buffer, got);
    if (got == 0) Finish();
    return got;
  }

 private:
  void Refill() {
    if (in_.empty()) in_.resize(kChunk);
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left_, kChunk));
    input_.ReadAt(next_, in_.data(), n);
    next_ += n;
    left_ -= n;
    z_.next_in = in_.data();
    z_.avail_in = static_cast<uInt>(n);
  }

  std::size_t Copy(std::uint8_t* buffer, std::size_t size) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left_, size));
    if (n == 0) return 0;
    input_.ReadAt(next_, buffer, n);
    next_ += n;
    left_ -= n;
    return n;
  }

  std::size_t Inflate(std::uint8_t* buffer, std::size_t size) {
    z_.next_out = buffer;
    z_.avail_out = static_cast<uInt>(size);
    while (z_.avail_out > 0 && !ended_) {
      if (z_.avail_in == 0) {
        if (left_ == 0) Fail(BookProblem::Damaged);  // the data stops before its last block
        Refill();
      }
      const int rc = inflate(&z_, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        ended_ = true;
      } else if (rc == Z_MEM_ERROR) {
        throw std::bad_alloc();
      } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
        Fail(BookProblem::Damaged);
      }
    }
    return size - z_.avail_out;
  }

  void Account(const std::uint8_t* data, std::size_t n) {
    if (n == 0) return;
    produced_ += n;
    crc_ = crc32(crc_, data, static_cast<uInt>(n));
    if (produced_ > entry_.size) Fail(BookProblem::Damaged);
    if (produced_ > kBombFloor && produced_ / kBombRatio > entry_.packedSize) Fail(BookProblem::Bomb);
    if (budget_) {
      if (*budget_ < n) Fail(BookProblem::Bomb);
      *budget_ -= n;
    }
  }

  void Finish() {
    done_ = true;
    if (produced_ != entry_.size || crc_ != entry_.crc) Fail(BookProblem::Damaged);
  }

  ZipInput& input_;
  const ZipEntry entry_;
  std::uint64_t next_;
  std::uint64_t left_;
  std::stop_token stop_;
  std::uint64_t* budget_;
  z_stream z_{};
  bool inflating_ = false;
  bool ended_ = false;
  bool done_ = false;
  std::vector<std::uint8_t> in_;
  std::uint64_t produced_ = 0;
  uLong crc_ = 0;
};

}  // namespace

std::uint64_t FileZipInput::Size() const { return file_.Size(); }

void FileZipInput::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  std::size_t got = 0;
  if (const std::uint32_t error = file_.ReadAt(offset, buffer, size, got)) throw BookFailure(BookProblem::ReadFailed, error);
  if (got != size) Fail(BookProblem::Damaged);
}

void MemoryZipInput::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  if (offset > bytes_.size() || bytes_.size() - offset < size) Fail(BookProblem::Damaged);
  if (size) std::memcpy(buffer, bytes_.data() + offset, size);
}

ZipArchive::ZipArchive(ZipInput& input) : input_(input) {
  const DirectoryPlace place = FindDirectory(input);
  if (place.size > kMaxCentralDirectory || place.count > kMaxZipEntries) Fail(BookProblem::Bomb);
  if (place.count * kCentralSize > place.size) Fail(BookProblem::Damaged);
  directory_.resize(static_cast<std::size_t>(place.size));
  input.ReadAt(place.offset, directory_.data(), directory_.size());
  entries_.reserve(static_cast<std::size_t>(place.count));
  const auto* d = reinterpret_cast<const std::uint8_t*>(directory_.data());
  std::size_t at = 0;
  for (std::uint64_t k = 0; k < place.count; ++k) {
    if (directory_.size() - at < kCentralSize || Le32(d + at) != kCentralSignature) Fail(BookProblem::Damaged);
    const std::uint8_t* c = d + at;
    const std::size_t nameLength = Le16(c + 28), extraLength = Le16(c + 30), commentLength = Le16(c + 32);
    if (directory_.size() - at - kCentralSize < nameLength + extraLength + commentLength) Fail(BookProblem::Damaged);
    ZipEntry entry;
    entry.flags = Le16(c + 8);
    entry.method = Le16(c + 10);
    entry.crc = Le32(c + 16);
    entry.packedSize = Le32(c + 20);
    entry.size = Le32(c + 24);
    entry.localHeader = Le32(c + 42);
    entry.name = std::string_view(directory_).substr(at + kCentralSize, nameLength);
    constexpr std::uint32_t kWide = 0xFFFFFFFF;
    ApplyZip64Extra(c + kCentralSize + nameLength, extraLength, entry, Le32(c + 24) == kWide, Le32(c + 20) == kWide,
                    Le32(c + 42) == kWide);
    entries_.push_back(entry);
    at += kCentralSize + nameLength + extraLength + commentLength;
  }
  byName_.resize(entries_.size());
  for (std::uint32_t k = 0; k < byName_.size(); ++k) byName_[k] = k;
  // Stable: of two entries with one name, the first in the directory is found.
  std::stable_sort(byName_.begin(), byName_.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return LessName(entries_[a].name, entries_[b].name); });
}

const ZipEntry* ZipArchive::Find(std::string_view name) const {
  const auto it = std::lower_bound(byName_.begin(), byName_.end(), name,
                                   [&](std::uint32_t k, std::string_view n) { return LessName(entries_[k].name, n); });
  if (it != byName_.end() && entries_[*it].name == name) return &entries_[*it];
  const auto folded = [](std::string_view s) {
    std::string f(s);
    for (char& c : f) c = text::AsciiLower(c);
    return f;
  };
  if (byFoldedName_.empty())
    for (std::uint32_t k = 0; k < entries_.size(); ++k) byFoldedName_.emplace(folded(entries_[k].name), k);
  const auto found = byFoldedName_.find(folded(name));
  return found == byFoldedName_.end() ? nullptr : &entries_[found->second];
}

std::unique_ptr<ByteSource> ZipArchive::Open(const ZipEntry& entry, std::stop_token stop, std::uint64_t* budget) const {
  if (entry.Encrypted()) Fail(BookProblem::Protected);
  if (entry.method != 0 && entry.method != 8) Fail(BookProblem::Unsupported);
  if (entry.method == 0 && entry.packedSize != entry.size) Fail(BookProblem::Damaged);
  std::uint8_t local[kLocalSize];
  input_.ReadAt(entry.localHeader, local, kLocalSize);
  if (Le32(local) != kLocalHeaderSignature) Fail(BookProblem::Damaged);
  // The local header's own lengths: writers may put a different extra field here.
  const std::uint64_t dataAt = entry.localHeader + kLocalSize + Le16(local + 26) + Le16(local + 28);
  if (dataAt > input_.Size() || input_.Size() - dataAt < entry.packedSize) Fail(BookProblem::Damaged);
  return std::make_unique<EntryReader>(input_, entry, dataAt, std::move(stop), budget);
}

std::string ZipArchive::ReadSmall(const ZipEntry& entry, std::size_t limit, std::stop_token stop) const {
  if (entry.size > limit) Fail(BookProblem::Damaged);
  auto source = Open(entry, std::move(stop));
  std::string out(static_cast<std::size_t>(entry.size), '\0');
  std::size_t got = 0;
  while (got < out.size()) {
    const std::size_t n = source->Read(reinterpret_cast<std::uint8_t*>(out.data()) + got, out.size() - got);
    if (n == 0) break;
    got += n;
  }
  std::uint8_t probe;
  source->Read(&probe, 1);  // the end: size and CRC checked
  return out;
}

}  // namespace dockline::convert
