#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "tests/platform/own_priority.h"

namespace platform::testing {

int OwnSystemPriority() {
  return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
}

int IdleSystemPriority() { return 19; }

}  // namespace platform::testing
