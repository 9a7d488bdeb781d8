#include "bench/message_waiter.h"

#include "platform/messages.h"

namespace nimbrel_bench {

namespace {

void HandleWaitingMessages() {
  platform::MSG msg;
  while (platform::PeekMessage(msg, true)) {
    platform::TranslateMessage(msg);
    platform::DispatchMessage(msg);
  }
}

}  // namespace

MessageWaiter::MessageWaiter() { platform::SetMessageArrivalHook([this] { Arrived(); }); }

MessageWaiter::~MessageWaiter() { platform::SetMessageArrivalHook({}); }

// Runs on the thread that queued the message: it only raises the flag.
void MessageWaiter::Arrived() {
  {
    std::lock_guard lock(mutex_);
    arrived_ = true;
  }
  wake_.notify_one();
}

// The flag is cleared before the queue is drained, so a message queued after the drain
// always leaves it raised and the wait below returns at once.
bool MessageWaiter::PumpUntil(const std::function<bool()>& done, Clock::time_point deadline) {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      arrived_ = false;
    }
    HandleWaitingMessages();
    if (done()) return true;
    std::unique_lock lock(mutex_);
    if (!wake_.wait_until(lock, deadline, [this] { return arrived_; })) return done();
    ++wakeups_;
  }
}

}  // namespace nimbrel_bench
