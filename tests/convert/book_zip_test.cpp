// The ZIP reader against archives made byte by byte in every way writers
// make them, and broken in the ways files break.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stop_token>

#include "book_support.h"
#include "convert/zip_archive.h"

namespace dockline::convert {
namespace {

using testutil::BuildZip;
using testutil::ZipItem;

std::string ReadAll(const ZipArchive& zip, const std::string& name, std::stop_token stop = {}) {
  const ZipEntry* entry = zip.Find(name);
  if (!entry) return "<missing>";
  const auto source = zip.Open(*entry, stop);
  std::string out;
  std::uint8_t buffer[1000];
  while (const std::size_t n = source->Read(buffer, sizeof buffer)) out.append(reinterpret_cast<char*>(buffer), n);
  return out;
}

// The problem `f` throws, if any.
std::optional<BookProblem> ProblemOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const BookFailure& failure) {
    return failure.Problem();
  }
  return std::nullopt;
}

std::string Varied(std::size_t size) {
  std::string s;
  for (std::uint32_t k = 0; s.size() < size; ++k) s += std::to_string(k * 2246822519u % 100003) + ' ';
  return s.substr(0, size);
}

TEST(ZipReader, EveryWayOfStoringAnEntryReadsBack) {
  const std::string large = Varied(300000);  // many pieces of inflate
  const std::vector<ZipItem> items{
      {"stored.txt", "stored bytes", false},
      {"deflated.txt", large},
      {"descriptor.txt", "after the data", true, true},
      {"stored-descriptor.txt", "stored, sizes after", false, true},
      {"wide.txt", "sizes in ZIP64 fields", true, false, true},
      {"local-extra.txt", "the local header's own extra", true, false, false, std::string("\x55\x54\x05\x00\x01\x02\x03\x04\x05", 9)},
      {"目录/名字.xhtml", ""},
  };
  for (const bool zip64End : {false, true}) {
    const std::string archive = BuildZip(items, zip64End ? "" : "a comment that ends the archive", zip64End);
    MemoryZipInput input(std::span(reinterpret_cast<const std::uint8_t*>(archive.data()), archive.size()));
    const ZipArchive zip(input);
    ASSERT_EQ(zip.Entries().size(), items.size());
    for (const ZipItem& item : items) EXPECT_EQ(ReadAll(zip, item.name), item.data) << item.name << zip64End;
    // Names differing in case only are found too (books made on Windows).
    EXPECT_EQ(ReadAll(zip, "STORED.TXT"), "stored bytes");
  }
}

TEST(ZipReader, DamageAndWhatCannotBeReadAreRefused) {
  const auto open = [](const std::string& archive, const std::string& name = "a") {
    return ProblemOf([&] {
      MemoryZipInput input(std::span(reinterpret_cast<const std::uint8_t*>(archive.data()), archive.size()));
      const ZipArchive zip(input);
      ReadAll(zip, name);
    });
  };
  const std::string good = BuildZip({{"a", Varied(5000)}});
  EXPECT_EQ(open(BuildZip({{"a", "data", true, false, false, {}, 0, 0, 1}})), BookProblem::Damaged);  // bad CRC
  EXPECT_EQ(open(good.substr(0, good.size() - 30)), BookProblem::Damaged);                        // end cut off
  EXPECT_EQ(open(good.substr(0, 60) + good.substr(good.size() - 22 - 31)), BookProblem::Damaged);  // data cut out
  std::string flipped = good;
  flipped[40] = static_cast<char>(~flipped[40]);  // deflate data no longer deflate
  EXPECT_EQ(open(flipped), BookProblem::Damaged);
  EXPECT_EQ(open("not an archive at all, but long enough to be looked at"), BookProblem::NotABook);
  EXPECT_EQ(open(BuildZip({{"a", "secret", false, false, false, {}, 1}})), BookProblem::Protected);
  EXPECT_EQ(open(BuildZip({{"a", "BZh91AY", false, false, false, {}, 0, 12}})), BookProblem::Unsupported);
  // A bomb: 64 MiB of one byte, packed about a thousand times.
  EXPECT_EQ(open(BuildZip({{"a", std::string(64u << 20, ' ')}})), BookProblem::Bomb);
  EXPECT_EQ(open(BuildZip({{"a", std::string(2u << 20, ' ')}})), std::nullopt);  // small: read, no fault
}

TEST(ZipReader, AStopEndsTheReadingBetweenPieces) {
  const std::string archive = BuildZip({{"a", Varied(200000)}});
  MemoryZipInput input(std::span(reinterpret_cast<const std::uint8_t*>(archive.data()), archive.size()));
  const ZipArchive zip(input);
  std::stop_source stop;
  const auto source = zip.Open(*zip.Find("a"), stop.get_token());
  std::uint8_t buffer[4096];
  EXPECT_GT(source->Read(buffer, sizeof buffer), 0u);
  stop.request_stop();
  EXPECT_EQ(ProblemOf([&] { source->Read(buffer, sizeof buffer); }), BookProblem::Stopped);
}

}  // namespace
}  // namespace dockline::convert
