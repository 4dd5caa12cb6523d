#include <gtest/gtest.h>

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


}  // namespace
}  // namespace dockline::platform
