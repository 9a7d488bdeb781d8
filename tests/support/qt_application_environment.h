#pragma once
// The Qt application object a test executable needs, alive while its tests run. Made in a
// gtest environment, so listing the tests needs no display.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

namespace test_support {

template <typename Application>
class QtApplicationEnvironment : public testing::Environment {
 public:
  using Factory = std::function<std::unique_ptr<Application>(int& argc, char** argv)>;

  explicit QtApplicationEnvironment(
      Factory make = [](int& argc, char** argv) { return std::make_unique<Application>(argc, argv); })
      : make_(std::move(make)) {}

  void SetUp() override { application_ = make_(argc_, argv_); }
  void TearDown() override { application_.reset(); }

 private:
  Factory make_;
  char name_[6] = "tests";
  char* argv_[2] = {name_, nullptr};
  int argc_ = 1;
  std::unique_ptr<Application> application_;
};

}  // namespace test_support
