#pragma once
// A folder of its own for each test, under the temporary folder and with a
// Chinese name, so that every file call also proves it takes such names.
#include <gtest/gtest.h>

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
  ScratchFolder()
      : dir_(platform::TempFolder() + "dockline-下载-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  void SetUp() override {
    Wipe();
    ASSERT_TRUE(platform::MakeDirectory(dir_)) << platform::ErrorText(platform::LastError());
  }
  void TearDown() override { Wipe(); }

  std::string Path(const std::string& name) const { return platform::JoinPath(dir_, name); }
  static std::string Read(const std::string& path) {
    platform::Bytes b;
    return platform::ReadWholeFile(path, b) ? std::string(b.begin(), b.end()) : "<unreadable>";
  }
  static void Write(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(platform::WriteWholeFile(path, bytes.data(), bytes.size()));
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& f : platform::FindFiles(Path("*"))) names.push_back(f.name);
    return names;
  }

 private:
  static void RemoveFolder(const std::string& dir) {
#ifdef _WIN32
    RemoveDirectoryW(platform::Wide(dir).c_str());
#else
    ::rmdir(dir.c_str());
#endif
  }
  void Wipe() {
    for (const auto& f : platform::FindFiles(Path("*"))) {
      if (f.directory) RemoveFolder(Path(f.name));
      else platform::RemoveFile(Path(f.name));
    }
    RemoveFolder(dir_);
  }
  std::string dir_;
};

}  // namespace dockline::download::testing
