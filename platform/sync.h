#pragma once
// Events, waits, re-entrant locks and sleeping with the semantics of their Win32 namesakes.
#include <cstdint>
#include <mutex>

namespace platform {

// An OS object (an event); nullptr when creation failed.
using Handle = struct KernelObject*;

constexpr uint32_t kInfinite = 0xFFFFFFFF;
constexpr uint32_t kWaitObject0 = 0;      // + index of the object that fired
constexpr uint32_t kWaitTimeout = 258;
constexpr uint32_t kWaitFailed = 0xFFFFFFFF;

// An event, not signalled or signalled as `initialState` says. A manual-reset event stays
// signalled until ResetEvent; an auto-reset event releases exactly one waiter and resets.
Handle CreateEvent(bool manualReset, bool initialState);
bool SetEvent(Handle event);
bool ResetEvent(Handle event);
// False, and nothing is closed, while a thread still waits on the event.
bool CloseHandle(Handle event);

// Waits until the object is signalled or `timeoutMs` passed (kInfinite: no time-out).
uint32_t WaitForSingleObject(Handle object, uint32_t timeoutMs);
// Waits until any of `count` objects is signalled: kWaitObject0 + the index of the first
// signalled one (the lowest index wins when several are), kWaitTimeout, or kWaitFailed.
uint32_t WaitForMultipleObjects(uint32_t count, const Handle* objects, uint32_t timeoutMs);

void Sleep(uint32_t ms);

// A re-entrant critical section.
class CriticalSection {
 public:
  void Enter() {
    mutex_.lock();
    ++depth_;
  }
  void Leave() {
    --depth_;
    mutex_.unlock();
  }
  // Leaves every level the calling thread (the owner) holds and tells how many; ReEnter
  // takes them again. Lets a thread wait for another that needs the lock.
  int LeaveAll() {
    const int depth = depth_;
    for (int i = 0; i < depth; ++i) Leave();
    return depth;
  }
  void ReEnter(int depth) {
    for (int i = 0; i < depth; ++i) Enter();
  }
  // For std::lock_guard / std::unique_lock.
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
  int depth_ = 0;  // changed only by the owner while it holds mutex_
};

using Lock = std::lock_guard<CriticalSection>;

}  // namespace platform
