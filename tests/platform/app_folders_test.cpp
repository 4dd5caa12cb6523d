#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/app_folders.h"
#include "platform/file_system.h"
#include "support/scratch_folder.h"

namespace dockline::platform {
namespace {

using dockline::testing::ScratchFolder;

class WritableProbe : public ScratchFolder {};

TEST_F(WritableProbe, AnswersForRealAndLeavesTheFolderAsItWas) {
  Write(Path("dict.ini"), "[DOWNPATH]\r\n");
  EXPECT_TRUE(IsFolderWritable(dir_));
  EXPECT_TRUE(IsFolderWritable(dir_ + (dir_.find('\\') != std::string::npos ? "\\" : "/")));
  EXPECT_EQ(FileCount(), 1u);  // the probe file is gone again
  EXPECT_EQ(Read(Path("dict.ini")), "[DOWNPATH]\r\n");

  EXPECT_FALSE(IsFolderWritable(Path("缺少")));
  EXPECT_FALSE(IsFolderWritable(Path("dict.ini")));  // a file is no folder
}

#ifdef _WIN32
TEST(AppDataFolder, IsAnExistingFolderWithoutTrailingSeparator) {
  const std::string f = LocalAppDataFolder();
  ASSERT_FALSE(f.empty());
  EXPECT_TRUE(IsDirectory(f)) << f;
  EXPECT_NE(f.back(), '\\');
}
#else
TEST(AppDataFolder, FollowsAnAbsoluteXdgConfigHomeOnly) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = oldXdg ? oldXdg : "";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  struct Case {
    const char* xdg;
    std::string expected;
  } const cases[] = {
      {"/srv/配置", "/srv/配置"},
      {"relative/config", home.empty() ? "" : home + "/.config"},  // not absolute: ignored
      {"", home.empty() ? "" : home + "/.config"},
  };
  for (const Case& c : cases) {
    setenv("XDG_CONFIG_HOME", c.xdg, 1);
    EXPECT_EQ(LocalAppDataFolder(), c.expected) << c.xdg;
  }
  if (oldXdg) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}
#endif

}  // namespace
}  // namespace dockline::platform
