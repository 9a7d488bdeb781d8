#pragma once
// The far end of a serial line for the tests that run on both systems: a pseudo-terminal on
// POSIX, the partner of a COM port pair on Windows. Both map COM<n> for the code under test.
#ifdef _WIN32
#include "tests/support/com_far_end.h"
namespace test_support {
using SerialFarEnd = ComFarEnd;
}
#else
#include "tests/support/pty_far_end.h"
namespace test_support {
using SerialFarEnd = PtyFarEnd;
}
#endif
