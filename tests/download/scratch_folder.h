#pragma once
// A folder of its own for each test, under the temporary folder and with a
// Chinese name, so that every file call also proves it takes such names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_system.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide.h"
#else
#include <unistd.h>
#endif

namespace dockline::download::testing {

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = platform::TempFolder() + "dockline-下载-" + info->test_suite_name() + "-" + info->name();
    Wipe();
    ASSERT_TRUE(platform::MakeDirectory(dir_)) << platform::ErrorText(platform::LastError());
  }
  void TearDown() override { Wipe(); }

  std::string Path(const std::string& name) const { return platform::JoinPath(dir_, name); }

  static std::string Read(const std::string& path) {
    platform::Bytes b;
    if (!platform::ReadWholeFile(path, b)) return "<unreadable>";
    return std::string(b.begin(), b.end());
  }
  static void Write(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(platform::WriteWholeFile(path, bytes.data(), bytes.size()));
  }
  // Names of everything in the folder, sorted.
  std::vector<std::string> Listing() const;

  std::string dir_;

 private:
  static void RemoveFolder(const std::string& dir) {
#ifdef _WIN32
    RemoveDirectoryW(platform::Wide(dir).c_str());
#else
    ::rmdir(dir.c_str());
#endif
  }
  void Wipe() {
    for (const auto& f : platform::FindFiles(platform::JoinPath(dir_, "*"))) {
      const std::string p = Path(f.name);
      if (f.directory) {
        RemoveFolder(p);
      } else {
        platform::ClearAttributes(p);
        platform::RemoveFile(p);
      }
    }
    RemoveFolder(dir_);
  }
};

inline std::vector<std::string> ScratchFolder::Listing() const {
  std::vector<std::string> names;
  for (const auto& f : platform::FindFiles(platform::JoinPath(dir_, "*"))) names.push_back(f.name);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace dockline::download::testing
