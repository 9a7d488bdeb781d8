// The logger's application object for the window tests, alive while the tests run, reporting
// its error boxes to TestDialogs(). Created as a test environment, so listing the tests needs
// no display.
#include <gtest/gtest.h>

#include <memory>

#include "app/nimbrel_application.h"
#include "tests/gui/fake_user_dialogs.h"

namespace nimbrel {
namespace {

class GuiTestApplication : public testing::Environment {
 public:
  void SetUp() override {
    application_ = std::make_unique<NimbrelApplication>(argc_, argv_, TestDialogs());
  }
  void TearDown() override { application_.reset(); }

 private:
  char name_[10] = "gui_tests";
  char* argv_[2] = {name_, nullptr};
  int argc_ = 1;
  std::unique_ptr<NimbrelApplication> application_;
};

[[maybe_unused]] const testing::Environment* const kGuiTestApplication =
    testing::AddGlobalTestEnvironment(new GuiTestApplication);

}  // namespace
}  // namespace nimbrel
