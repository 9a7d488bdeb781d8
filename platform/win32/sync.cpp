#include "platform/sync.h"

#include "platform/messages.h"

#include <algorithm>
#include <unordered_map>

#include "platform/win32/windows_api.h"

namespace platform {

namespace {

// A Handle is the event's HANDLE itself, so it can serve as the event of a system OVERLAPPED.
HANDLE Native(Handle h) { return reinterpret_cast<HANDLE>(h); }

// How many threads wait on each event through this module: an event is not closed under them.
class WaitCounts {
 public:
  void Enter(const Handle* objects, uint32_t count) {
    std::lock_guard lock(mutex_);
    for (uint32_t i = 0; i < count; ++i) ++waiting_[objects[i]];
  }
  void Leave(const Handle* objects, uint32_t count) {
    std::lock_guard lock(mutex_);
    for (uint32_t i = 0; i < count; ++i) {
      if (--waiting_[objects[i]] == 0) waiting_.erase(objects[i]);
    }
  }
  // Closes the event unless a thread waits on it.
  bool CloseIfIdle(Handle event) {
    std::lock_guard lock(mutex_);
    if (waiting_.contains(event)) return false;
    return ::CloseHandle(Native(event)) != FALSE;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<Handle, int> waiting_;
};

WaitCounts& Waits() {
  static auto* counts = new WaitCounts;  // never destroyed: detached threads may outlive main
  return *counts;
}

bool ValidObjects(uint32_t count, const Handle* objects) {
  return objects != nullptr && count > 0 && count <= MAXIMUM_WAIT_OBJECTS &&
         std::none_of(objects, objects + count, [](Handle h) { return h == nullptr; });
}

}  // namespace

Handle CreateEvent(bool manualReset, bool initialState) {
  return reinterpret_cast<Handle>(::CreateEventA(nullptr, manualReset, initialState, nullptr));
}

bool SetEvent(Handle event) { return event != nullptr && ::SetEvent(Native(event)); }

bool ResetEvent(Handle event) { return event != nullptr && ::ResetEvent(Native(event)); }

bool CloseHandle(Handle event) { return event != nullptr && Waits().CloseIfIdle(event); }

uint32_t WaitForSingleObject(Handle object, uint32_t timeoutMs) {
  return WaitForMultipleObjects(1, &object, timeoutMs);
}

namespace {

// Runs `wait` on the native handles of `objects` while they count as waited on; its result
// becomes ours, index `count` included (a message, for MsgWaitForMultipleObjects).
template <typename Wait>
uint32_t WaitOn(uint32_t count, const Handle* objects, Wait wait) {
  HANDLE natives[MAXIMUM_WAIT_OBJECTS];
  std::transform(objects, objects + count, natives, Native);
  Waits().Enter(objects, count);
  const DWORD result = wait(natives);
  Waits().Leave(objects, count);
  if (result <= WAIT_OBJECT_0 + count) return kWaitObject0 + (result - WAIT_OBJECT_0);
  return result == WAIT_TIMEOUT ? kWaitTimeout : kWaitFailed;
}

}  // namespace

uint32_t WaitForMultipleObjects(uint32_t count, const Handle* objects, uint32_t timeoutMs) {
  if (!ValidObjects(count, objects)) return kWaitFailed;
  const uint32_t result = WaitOn(count, objects, [&](const HANDLE* natives) {
    return ::WaitForMultipleObjects(count, natives, FALSE, timeoutMs);
  });
  return result == kWaitObject0 + count ? kWaitFailed : result;
}

// Declared with the messages; here for the waits' bookkeeping. MWMO_INPUTAVAILABLE: a
// message already in the queue ends the wait too, not only one that arrives.
uint32_t MsgWaitForMultipleObjects(uint32_t count, const Handle* objects, uint32_t timeoutMs) {
  if (count > 0 && !ValidObjects(count, objects)) return kWaitFailed;
  return WaitOn(count, objects, [&](const HANDLE* natives) {
    return ::MsgWaitForMultipleObjectsEx(count, natives, timeoutMs, QS_ALLINPUT,
                                         MWMO_INPUTAVAILABLE);
  });
}

void Sleep(uint32_t ms) { ::Sleep(ms); }

}  // namespace platform
