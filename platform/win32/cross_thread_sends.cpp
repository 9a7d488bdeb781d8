#include "platform/win32/cross_thread_sends.h"

namespace platform {

CrossThreadSends& CrossThreadSends::Instance() {
  static auto* sends = new CrossThreadSends;  // never destroyed: detached threads may outlive main
  return *sends;
}

uintptr_t CrossThreadSends::Add(const MSG& msg) {
  std::lock_guard lock(mutex_);
  const uintptr_t id = ++lastId_;
  sends_.emplace(id, std::make_shared<CrossThreadSend>(CrossThreadSend{msg}));
  return id;
}

std::shared_ptr<CrossThreadSend> CrossThreadSends::Start(uintptr_t id) {
  std::lock_guard lock(mutex_);
  const auto it = sends_.find(id);
  if (it == sends_.end() || it->second->state != CrossThreadSend::State::kQueued) return nullptr;
  it->second->state = CrossThreadSend::State::kRunning;
  return it->second;
}

void CrossThreadSends::Finish(CrossThreadSend& send, bool completed, LRESULT result) {
  std::lock_guard lock(mutex_);
  send.state = completed ? CrossThreadSend::State::kDone : CrossThreadSend::State::kFailed;
  send.result = result;
}

bool CrossThreadSends::Withdraw(uintptr_t id, LRESULT* result) {
  std::lock_guard lock(mutex_);
  const auto it = sends_.find(id);  // only its sender removes it
  const bool done = it->second->state == CrossThreadSend::State::kDone;
  if (done && result != nullptr) *result = it->second->result;
  sends_.erase(it);
  return done;
}

bool CrossThreadSends::DropQueuedFor(HWND window) {
  std::lock_guard lock(mutex_);
  bool dropped = false;
  for (auto& [id, send] : sends_) {
    if (send->msg.window != window || send->state != CrossThreadSend::State::kQueued) continue;
    send->state = CrossThreadSend::State::kFailed;
    dropped = true;
  }
  return dropped;
}

}  // namespace platform
