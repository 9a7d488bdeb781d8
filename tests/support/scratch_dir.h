#pragma once
// Test support: a fresh, empty folder of its own for one test, removed with its contents at the
// end of the test.
#include <filesystem>
#include <random>
#include <string>

namespace test_support {

class ScratchDir {
 public:
  ScratchDir() : path_(std::filesystem::temp_directory_path() / UniqueName()) {
    std::filesystem::create_directory(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The path of name inside the folder.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  static std::string UniqueName() {
    std::random_device random;
    return "nimbrel-test-" + std::to_string(random()) + "-" + std::to_string(random());
  }

  std::filesystem::path path_;
};

}  // namespace test_support
