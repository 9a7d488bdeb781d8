#include "tests/support/wine.h"

namespace test_support {

bool RunningUnderWine() { return false; }

}  // namespace test_support
