// MessageArrival through the arrival hook, which the POSIX message queues call.
#include "tests/platform/message_test_support.h"

namespace platform::testing {

struct MessageArrival::State {
  Handle arrived = CreateEvent(false, false);
};

MessageArrival::MessageArrival() : state_(std::make_unique<State>()) {
  SetMessageArrivalHook([event = state_->arrived] { SetEvent(event); });
}

MessageArrival::~MessageArrival() {
  SetMessageArrivalHook({});
  CloseHandle(state_->arrived);
}

bool MessageArrival::Wait() {
  return WaitForSingleObject(state_->arrived, kInfinite) == kWaitObject0;
}

}  // namespace platform::testing
