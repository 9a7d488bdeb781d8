#pragma once
// Handles the calling thread's window messages (the component's events) and sleeps in
// between: the platform's arrival hook wakes the thread when a message is queued for it, so
// there is no polling and an idle wait costs nothing.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace nimbrel_bench {

class MessageWaiter {
 public:
  using Clock = std::chrono::steady_clock;

  // Installs the arrival hook for the calling thread, which must be the one that pumps.
  MessageWaiter();
  // Removes the hook.
  ~MessageWaiter();
  MessageWaiter(const MessageWaiter&) = delete;
  MessageWaiter& operator=(const MessageWaiter&) = delete;

  // Handles messages until `done` holds (true) or `deadline` passed (false).
  bool PumpUntil(const std::function<bool()>& done, Clock::time_point deadline);
  // How often the thread woke up from its sleep.
  uint64_t Wakeups() const { return wakeups_; }

 private:
  void Arrived();

  std::mutex mutex_;
  std::condition_variable wake_;
  bool arrived_ = false;
  uint64_t wakeups_ = 0;
};

}  // namespace nimbrel_bench
