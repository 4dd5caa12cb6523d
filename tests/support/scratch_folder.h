#pragma once
// Shared by the portable suites: a Notifier that records what the user would
// have been shown, and a fresh folder for each test under the temporary
// folder. The folder's name is Chinese, so that every file call the tests
// make also proves it takes such names.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/notifier.h"

namespace dockline::testing {

class RecordingNotifier : public platform::Notifier {
 public:
  void ShowMessage(std::string_view utf8) override { messages.emplace_back(utf8); }
  std::vector<std::string> messages;
};

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    Wipe();
    ASSERT_TRUE(platform::MakeDirectory(dir_)) << platform::ErrorText(platform::LastError());
  }
  void TearDown() override { Wipe(); }

  std::string Path(std::string_view name) const { return platform::JoinPath(dir_, name); }
  static std::string Read(const std::string& path) {
    platform::Bytes b;
    return platform::ReadWholeFile(path, b) ? std::string(b.begin(), b.end()) : "<unreadable>";
  }
  static void Write(const std::string& path, std::string_view bytes) {
    ASSERT_TRUE(platform::WriteWholeFile(path, bytes.data(), bytes.size()));
  }
  std::size_t FileCount() const { return platform::FindFiles(Path("*")).size(); }
  // Dates `path` an hour back: a file a test writes next is not taken for
  // an unchanged copy of it, which a download would leave alone.
  static void MakeOld(const std::string& path) {
    namespace fs = std::filesystem;
    fs::last_write_time(Native(path), fs::file_time_type::clock::now() - std::chrono::hours(1));
  }
  // Gives `path` the last write of `other`, moved by `seconds`.
  static void TimeFrom(const std::string& path, const std::string& other, int seconds) {
    namespace fs = std::filesystem;
    fs::last_write_time(Native(path), fs::last_write_time(Native(other)) + std::chrono::seconds(seconds));
  }
  // For what the platform layer does not offer: sizes, permissions.
  static std::filesystem::path Native(const std::string& path) { return std::u8string(path.begin(), path.end()); }

  const std::string dir_ = platform::TempFolder() + "dockline-测试-" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();

 private:
  void Wipe() const {
    std::error_code ec;
    std::filesystem::remove_all(Native(dir_), ec);
  }
};

}  // namespace dockline::testing
