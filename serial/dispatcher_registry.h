#pragma once
// The process-wide list of dispatchers. A dispatcher's handle is its index; freed slots are
// reused lowest first and trailing empty slots are trimmed, so live handles never change.
#include <cstdint>
#include <vector>

#include "platform/sync.h"

namespace sio {

class TSioBaseDispatcher;

class DispatcherRegistry {
 public:
  static DispatcherRegistry& Instance();

  // The registry lock; the port's window procedure holds it while it delivers an event.
  platform::CriticalSection& RegistryLock() { return lock_; }

  int32_t Register(TSioBaseDispatcher* dispatcher);
  void Unregister(int32_t handle);
  // The dispatcher of `handle`, nullptr for a free or unknown slot. Caller holds the lock.
  TSioBaseDispatcher* Find(int32_t handle) const;
  std::size_t Count();

 private:
  platform::CriticalSection lock_;
  std::vector<TSioBaseDispatcher*> slots_;
};

}  // namespace sio
