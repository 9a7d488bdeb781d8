// MessageArrival through the system's queue state: Windows calls no arrival hook.
#include "tests/platform/message_test_support.h"

#include <windows.h>

namespace platform::testing {

struct MessageArrival::State {};

MessageArrival::MessageArrival() = default;

MessageArrival::~MessageArrival() = default;

bool MessageArrival::Wait() {
  return MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
         WAIT_OBJECT_0;
}

}  // namespace platform::testing
