#include "platform/sync.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <optional>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr uint32_t kMaxWaitObjects = 64;

// One thread blocked in a wait. A signal that satisfies it is handed over directly (the index
// of the object that fired), so an auto-reset event releases exactly this one waiter.
struct Waiter {
  const Handle* objects = nullptr;
  uint32_t count = 0;
  std::optional<uint32_t> firedIndex;
  std::condition_variable wake;
};

// All events share one mutex: a wait on several objects must see them all at one instant.
std::mutex& EventMutex() {
  static auto* mutex = new std::mutex;  // never destroyed: detached threads may outlive main
  return *mutex;
}

}  // namespace

struct KernelObject {
  bool manualReset = false;
  bool signalled = false;
  std::vector<Waiter*> waiters;  // in arrival order
};

namespace {

void Unregister(Waiter& waiter) {
  for (uint32_t i = 0; i < waiter.count; ++i) {
    std::erase(waiter.objects[i]->waiters, &waiter);
  }
}

uint32_t IndexOf(const Waiter& waiter, Handle object) {
  return static_cast<uint32_t>(std::find(waiter.objects, waiter.objects + waiter.count, object) -
                               waiter.objects);
}

// Hands a freshly signalled event to the waiters in arrival order: every waiter for a
// manual-reset event, the first one for an auto-reset event (which then stays reset).
void Release(Handle event) {
  while (event->signalled && !event->waiters.empty()) {
    Waiter& waiter = *event->waiters.front();
    waiter.firedIndex = IndexOf(waiter, event);
    Unregister(waiter);
    waiter.wake.notify_one();
    if (!event->manualReset) event->signalled = false;
  }
}

// The lowest index of a signalled object, consuming an auto-reset one.
std::optional<uint32_t> TakeSignalled(const Handle* objects, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (!objects[i]->signalled) continue;
    if (!objects[i]->manualReset) objects[i]->signalled = false;
    return i;
  }
  return std::nullopt;
}

bool ValidObjects(uint32_t count, const Handle* objects) {
  return objects != nullptr && count > 0 && count <= kMaxWaitObjects &&
         std::none_of(objects, objects + count, [](Handle h) { return h == nullptr; });
}

}  // namespace

Handle CreateEvent(bool manualReset, bool initialState) {
  auto* event = new KernelObject;
  event->manualReset = manualReset;
  event->signalled = initialState;
  return event;
}

bool SetEvent(Handle event) {
  if (event == nullptr) return false;
  std::lock_guard lock(EventMutex());
  event->signalled = true;
  Release(event);
  return true;
}

bool ResetEvent(Handle event) {
  if (event == nullptr) return false;
  std::lock_guard lock(EventMutex());
  event->signalled = false;
  return true;
}

bool CloseHandle(Handle event) {
  if (event == nullptr) return false;
  std::lock_guard lock(EventMutex());
  if (!event->waiters.empty()) return false;  // a thread still waits on it: keep it alive
  delete event;
  return true;
}

uint32_t WaitForSingleObject(Handle object, uint32_t timeoutMs) {
  return WaitForMultipleObjects(1, &object, timeoutMs);
}

uint32_t WaitForMultipleObjects(uint32_t count, const Handle* objects, uint32_t timeoutMs) {
  if (!ValidObjects(count, objects)) return kWaitFailed;
  std::unique_lock lock(EventMutex());
  if (auto index = TakeSignalled(objects, count)) return kWaitObject0 + *index;
  if (timeoutMs == 0) return kWaitTimeout;

  Waiter waiter;
  waiter.objects = objects;
  waiter.count = count;
  for (uint32_t i = 0; i < count; ++i) {
    if (std::find(objects, objects + i, objects[i]) == objects + i) {
      objects[i]->waiters.push_back(&waiter);
    }
  }
  const auto fired = [&waiter] { return waiter.firedIndex.has_value(); };
  if (timeoutMs == kInfinite) {
    waiter.wake.wait(lock, fired);
  } else {
    waiter.wake.wait_for(lock, std::chrono::milliseconds(timeoutMs), fired);
  }
  if (waiter.firedIndex) return kWaitObject0 + *waiter.firedIndex;
  Unregister(waiter);
  return kWaitTimeout;
}

void Sleep(uint32_t ms) {
  if (ms == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

}  // namespace platform
