#include "tests/platform/own_priority.h"

#include <windows.h>

namespace platform::testing {

int OwnSystemPriority() { return GetThreadPriority(GetCurrentThread()); }

int IdleSystemPriority() { return THREAD_PRIORITY_IDLE; }

}  // namespace platform::testing
