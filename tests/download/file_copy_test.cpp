#include "platform/file_copy.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/mount.h>
#include <cerrno>
#include <cstring>
#endif

#include <string>
#include <vector>

#include "download/test_support.h"
#include "platform/content_hash.h"
#include "platform/copy_backend.h"

namespace dockline::platform {
namespace {

using download::testing::ScratchFolder;

// A little over three blocks, so a copy reports progress several times.
std::string Content() {
  std::string s(3 * kCopyBlockSize + 12345, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(i * 7 + i / 4096);
  return s;
}

class FileCopy : public ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    Write(source_, content_);
    Write(target_, "old target");
  }
  void ExpectOnlyOldTarget() {
    EXPECT_EQ(Read(target_), "old target");
    EXPECT_FALSE(FileExists(PartialName(target_)));
    EXPECT_EQ(Read(source_), content_);
  }
  const std::string content_ = Content();
  const std::string source_ = Path("源.mp3");
  const std::string target_ = Path("目标.mp3");
};

TEST_F(FileCopy, ReplacesTheTargetWholeAndReportsEveryBlock) {
  std::vector<std::uint64_t> seen;
  const auto r = CopyFileStreaming(source_, target_, [&](std::uint64_t done, std::uint64_t total) {
    EXPECT_EQ(total, content_.size());
    seen.push_back(done);
    return true;
  });
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(Read(target_), content_);
  EXPECT_FALSE(FileExists(PartialName(target_)));
  // Before the first block, after each of the four, once more before the move.
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{0, kCopyBlockSize, 2 * kCopyBlockSize, 3 * kCopyBlockSize,
                                              content_.size(), content_.size()}));
  EXPECT_EQ(r.copied, content_.size());
}

// A longer temporary file left by an earlier, cut-off write must not lend
// its tail to the new file, for the copy or the atomic replace.
TEST_F(FileCopy, StaleTemporaryFilesAreWrittenOverFromTheStart) {
  Write(PartialName(target_), content_ + "stale tail");
  ASSERT_TRUE(CopyFileStreaming(source_, target_).ok());
  EXPECT_EQ(Read(target_), content_);
  const std::string picture = Path("图.ych");
  Write(picture + kReplaceSuffix, "a much longer stale picture");
  ASSERT_TRUE(ReplaceFileAtomically(picture, "short", 5));
  EXPECT_EQ(Read(picture), "short");
  EXPECT_FALSE(FileExists(picture + kReplaceSuffix));
}

// A copy is read back before the move: one that gives back what was read
// from the source replaces the target; one that differs goes and the old
// target stays; one that cannot be read back at all is placed, its code told.
TEST_F(FileCopy, ACopyIsReadBackBeforeItReplacesTheTarget) {
  bool flip = true;
  std::uint32_t error = 0;
  std::vector<std::string> readFrom;
  const ReadBack device = [&](const std::string& path, std::uint64_t& hash) {
    readFrom.push_back(path);
    const std::string changed = "x" + content_.substr(1);
    if (flip) {
      EXPECT_TRUE(WriteWholeFile(path, changed.data(), changed.size()));
    }
    return error ? error : HashFileFromMedium(path, hash);
  };
  EXPECT_EQ(CopyFileStreaming(source_, target_, {}, device).status, CopyStatus::Mismatch);
  EXPECT_EQ(readFrom, std::vector<std::string>{PartialName(target_)});
  ExpectOnlyOldTarget();
  flip = false;
  error = 5;
  const auto unread = CopyFileStreaming(source_, target_, {}, device);
  EXPECT_TRUE(unread.ok() && unread.unchecked == 5u);
  EXPECT_EQ(Read(target_), content_);
  Write(target_, "old target");
  error = 0;
  const auto good = CopyFileStreaming(source_, target_, {}, device);
  EXPECT_TRUE(good.ok() && good.unchecked == 0u);
  EXPECT_EQ(Read(target_), content_);
  std::uint64_t hash = 0;
  EXPECT_NE(HashFileFromMedium(Path("无.mp3"), hash), 0u);
}

// Where the system will not read a file past its cache, the read-back reads
// it as usual, hashing afresh what the refused try had begun; any other
// failure is answered as it is.
TEST_F(FileCopy, TheReadBackFallsBackToACachedReadWhereUncachedOnesAreRefused) {
  std::vector<bool> tries;
  std::uint32_t refusal = detail::kPastCacheRefused;
  const detail::WholeReader reader = [&](const std::string& path, bool pastCache, const detail::Consume& consume) {
    tries.push_back(pastCache);
    if (!pastCache) return detail::ReadWhole(path, false, consume);
    consume("half", 4);
    return refusal;
  };
  std::uint64_t hash = 0;
  ASSERT_EQ(detail::HashFromMedium(source_, hash, reader), 0u);
  EXPECT_EQ(hash, ContentHash::Of(content_.data(), content_.size()));
  EXPECT_EQ(tries, (std::vector<bool>{true, false}));
  tries.clear();
  refusal = 5;
  EXPECT_EQ(detail::HashFromMedium(source_, hash, reader), 5u);
  EXPECT_EQ(tries, std::vector<bool>{true});
}

// A replace that cannot be moved into place (a folder stands there) leaves
// no temporary file behind.
TEST_F(FileCopy, AFailedReplaceRemovesItsTemporaryFile) {
  const std::string folder = Path("占位");
  ASSERT_TRUE(MakeDirectory(folder));
  Write(JoinPath(folder, "x"), "keeps the folder from being replaced");
  EXPECT_FALSE(ReplaceFileAtomically(folder, "data", 4));
  EXPECT_FALSE(FileExists(folder + kReplaceSuffix));
  EXPECT_TRUE(IsDirectory(folder));
}

TEST_F(FileCopy, FailuresTellReadFromWriteAndCarryTheSystemCode) {
  const auto missing = CopyFileStreaming(Path("无.mp3"), target_);
  EXPECT_TRUE(missing.status == CopyStatus::ReadFailed && missing.error != 0);
  const auto noFolder = CopyFileStreaming(source_, Path("无目录/x.mp3"));
  EXPECT_TRUE(noFolder.status == CopyStatus::WriteFailed && noFolder.error != 0);
  ExpectOnlyOldTarget();
}

#ifndef _WIN32
// A real full volume: a 4 MiB tmpfs holding an old target of 1 MiB.
TEST_F(FileCopy, AFullVolumeFailsAsDiskFullAndKeepsTheOldTarget) {
  const std::string mountPoint = Path("小盘");
  ASSERT_TRUE(MakeDirectory(mountPoint));
  if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=4m") != 0)
    GTEST_SKIP() << "mounting a small tmpfs was refused (" << std::strerror(errno) << "): needs root";
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount(at.c_str()); }
  } unmount{mountPoint};
  const std::string old(kCopyBlockSize, 'o');
  const std::string target = JoinPath(mountPoint, "满.mp3");
  Write(target, old);
  const auto r = CopyFileStreaming(source_, target);
  EXPECT_EQ(r.status, CopyStatus::WriteFailed);
  EXPECT_TRUE(IsDiskFull(r.error)) << r.error;
  EXPECT_EQ(Read(target), old);
  EXPECT_FALSE(FileExists(PartialName(target)));
  EXPECT_EQ(Read(source_), content_);
  // The atomic replace likewise: its temporary file goes with the failure.
  const std::string picture = JoinPath(mountPoint, "图.ych");
  EXPECT_FALSE(ReplaceFileAtomically(picture, content_.data(), content_.size()));
  EXPECT_TRUE(IsDiskFull(LastError())) << LastError();
  EXPECT_FALSE(FileExists(picture + kReplaceSuffix));
  // The read-back refuses O_DIRECT on tmpfs and still reads the file.
  std::uint64_t hash = 0;
  ASSERT_EQ(HashFileFromMedium(target, hash), 0u);
  EXPECT_EQ(hash, ContentHash::Of(old.data(), old.size()));
}
#endif

}  // namespace
}  // namespace dockline::platform
