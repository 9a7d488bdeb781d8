#include <time.h>

#include "platform/system_counter.h"

namespace platform {

namespace {

bool MonotonicNs(uint64_t& value) {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
  value = static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
  return true;
}

}  // namespace

// The monotonic clock in nanoseconds; its milliseconds stand in for the system time.
CounterSource SystemCounterSource() {
  return {
      [](uint64_t& frequency) {
        frequency = 1000000000u;
        return true;
      },
      MonotonicNs,
      [] {
        uint64_t ns = 0;
        MonotonicNs(ns);
        return static_cast<uint32_t>(ns / 1000000u);
      },
  };
}

}  // namespace platform
