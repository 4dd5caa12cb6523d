#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/drive_map.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"
#include "support/scratch_folder.h"

namespace dockline::platform {
namespace {

using dockline::testing::ScratchFolder;

TEST_F(ScratchFolder, FindFilesMatchesWildcardsWithoutRegardToCase) {
  for (const char* n : {"a.mp3", "B.MP3", "c.wma", "歌曲.mp3"}) ASSERT_TRUE(WriteWholeFile(Path(n), "12", 2));
  ASSERT_TRUE(MakeDirectory(Path("sub.mp3")));
  auto found = FindFiles(Path("*.mp3"));
  std::vector<std::string> names;
  for (const auto& f : found) names.push_back(f.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"B.MP3", "a.mp3", "sub.mp3", "歌曲.mp3"}));
  for (const auto& f : found) EXPECT_EQ(f.directory, f.name == "sub.mp3") << f.name;
  EXPECT_TRUE(FindFiles(Path("*.txt")).empty());
}

// A film of a few GiB: sized, listed and measured for a copy whole, on a
// 32-bit build too. Taken whole into memory it fails at once where the
// address space cannot hold it, instead of reading a size cut to 32 bits.
TEST_F(ScratchFolder, SizesBeyondFourGibibytesStayWhole) {
  const std::uint64_t big = (std::uint64_t{1} << 32) + 3;
  const std::string film = Path("影片.mp4");
  Write(film, "x");
  std::filesystem::resize_file(Native(film), big);  // sparse
  EXPECT_EQ(FileSize(film), big);
  CopySource opened;
  ASSERT_EQ(opened.Open(film), 0u);
  EXPECT_EQ(opened.size, big);
  const auto found = FindFiles(Path("*.mp4"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].size, big);
  if (sizeof(std::size_t) < sizeof big) {
    Bytes whole;
    EXPECT_FALSE(ReadWholeFile(film, whole));
    EXPECT_TRUE(whole.empty());
  }
}

#ifndef _WIN32
TEST(DriveMap, ParsesEntriesAndResolvesPaths) {
  const auto map = ParseDriveMap("g=fixed:/tmp/dev:label=曜川6170:image=/tmp/dev.img;E=removable:/media/usb");
  ASSERT_TRUE(map);
  ASSERT_EQ(map->size(), 2u);
  EXPECT_EQ((*map)[0].letter, 'G');
  EXPECT_EQ((*map)[0].label, "曜川6170");
  EXPECT_EQ((*map)[0].image, "/tmp/dev.img");
  EXPECT_EQ((*map)[1].type, DriveType::Removable);
  EXPECT_FALSE((*map)[1].label);
  for (const char* bad : {"G", "G=floppy:/x", "1=fixed:/x", "G=fixed:/x:colour=red"})
    EXPECT_FALSE(ParseDriveMap(bad)) << bad;

  SetDriveMap(*map);
  EXPECT_EQ(ToNativePath("G:\\系统\\图片\\a.ych"), "/tmp/dev/系统/图片/a.ych");
  EXPECT_EQ(ToNativePath("g:\\"), "/tmp/dev/");
  EXPECT_EQ(ToNativePath("Q:\\x"), "Q:\\x");  // unmapped letters stay as they are
  EXPECT_EQ(ToNativePath("/abs/path"), "/abs/path");
  EXPECT_EQ(DriveRoots(), (std::vector<std::string>{"E:\\", "G:\\"}));
  EXPECT_EQ(DriveTypeOf("G:\\"), DriveType::Fixed);
  EXPECT_EQ(DriveTypeOf("Q:\\"), DriveType::NoRootDir);
  EXPECT_EQ(VolumeLabel("G:\\"), "曜川6170");
  EXPECT_EQ(VolumeLabel("E:\\"), "");
  EXPECT_FALSE(VolumeLabel("Q:\\"));
  SetDriveMap({});
}
#endif

}  // namespace
}  // namespace dockline::platform
