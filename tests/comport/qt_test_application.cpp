// The QApplication that the dialog tests need, alive while the tests run. Created as a test
// environment, so listing the tests needs no display.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class QtTestApplication : public testing::Environment {
 public:
  void SetUp() override { application_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { application_.reset(); }

 private:
  char name_[22] = "com_select_form_tests";
  char* argv_[2] = {name_, nullptr};
  int argc_ = 1;
  std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] const testing::Environment* const kQtTestApplication =
    testing::AddGlobalTestEnvironment(new QtTestApplication);

}  // namespace
