// The logger's application object for the window tests, reporting its error boxes to
// TestDialogs().
#include <memory>

#include "app/nimbrel_application.h"
#include "tests/gui/fake_user_dialogs.h"
#include "tests/support/qt_application_environment.h"

namespace nimbrel {
namespace {

[[maybe_unused]] const testing::Environment* const kGuiTestApplication =
    testing::AddGlobalTestEnvironment(new test_support::QtApplicationEnvironment<NimbrelApplication>(
        [](int& argc, char** argv) { return std::make_unique<NimbrelApplication>(argc, argv, TestDialogs()); }));

}  // namespace
}  // namespace nimbrel
