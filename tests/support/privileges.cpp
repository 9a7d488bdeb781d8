#include "tests/support/privileges.h"

#include <unistd.h>

namespace test_support {

bool RunningAsRoot() { return geteuid() == 0; }

}  // namespace test_support
