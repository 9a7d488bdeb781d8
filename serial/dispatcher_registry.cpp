#include "serial/dispatcher_registry.h"

#include <algorithm>

namespace sio {

DispatcherRegistry& DispatcherRegistry::Instance() {
  static DispatcherRegistry registry;
  return registry;
}

int32_t DispatcherRegistry::Register(TSioBaseDispatcher* dispatcher) {
  platform::Lock guard(lock_);
  auto free = std::find(slots_.begin(), slots_.end(), nullptr);
  if (free != slots_.end()) {
    *free = dispatcher;
    return static_cast<int32_t>(free - slots_.begin());
  }
  slots_.push_back(dispatcher);
  return static_cast<int32_t>(slots_.size() - 1);
}

void DispatcherRegistry::Unregister(int32_t handle) {
  platform::Lock guard(lock_);
  if (handle < 0 || static_cast<std::size_t>(handle) >= slots_.size()) return;
  slots_[static_cast<std::size_t>(handle)] = nullptr;
  while (!slots_.empty() && slots_.back() == nullptr) slots_.pop_back();
}

TSioBaseDispatcher* DispatcherRegistry::Find(int32_t handle) const {
  if (handle < 0 || static_cast<std::size_t>(handle) >= slots_.size()) return nullptr;
  return slots_[static_cast<std::size_t>(handle)];
}

std::size_t DispatcherRegistry::Count() {
  platform::Lock guard(lock_);
  return slots_.size();
}

}  // namespace sio
