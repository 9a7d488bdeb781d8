// The QApplication of the dialog tests.
#include <QApplication>

#include "tests/support/qt_application_environment.h"

namespace {

[[maybe_unused]] const testing::Environment* const kQtTestApplication =
    testing::AddGlobalTestEnvironment(new test_support::QtApplicationEnvironment<QApplication>);

}  // namespace
