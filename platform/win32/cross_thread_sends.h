#pragma once
// Messages sent to a window of another thread, each known to the sender and to the window's
// owner by an id. The sender withdraws its message when it stops waiting, so the owner never
// handles one it reaches too late; the owner records whether the procedure completed.
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/messages.h"

namespace platform {

struct CrossThreadSend {
  enum class State { kQueued, kRunning, kDone, kFailed };
  MSG msg;
  State state = State::kQueued;
  LRESULT result = 0;
};

class CrossThreadSends {
 public:
  static CrossThreadSends& Instance();

  // The sender queues a message; the id travels to the owner.
  uintptr_t Add(const MSG& msg);
  // The owner starts handling the message; nullptr when it was withdrawn or dropped.
  std::shared_ptr<CrossThreadSend> Start(uintptr_t id);
  // The owner is done with it: the procedure completed with `result`, or it did not.
  void Finish(CrossThreadSend& send, bool completed, LRESULT result);
  // The sender stops waiting: the message goes, and whether it completed is told.
  bool Withdraw(uintptr_t id, LRESULT* result);
  // The messages still queued for a window that goes away fail; true when there were any.
  bool DropQueuedFor(HWND window);

 private:
  std::mutex mutex_;
  uintptr_t lastId_ = 0;
  std::unordered_map<uintptr_t, std::shared_ptr<CrossThreadSend>> sends_;
};

}  // namespace platform
