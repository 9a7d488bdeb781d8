#include "platform/win32/windows_api.h"

#include <mmsystem.h>

#include "platform/system_counter.h"

namespace platform {

// The performance counter; timeGetTime where it cannot serve.
CounterSource SystemCounterSource() {
  return {
      [](uint64_t& frequency) {
        LARGE_INTEGER f{};
        if (!QueryPerformanceFrequency(&f)) return false;
        frequency = static_cast<uint64_t>(f.QuadPart);
        return true;
      },
      [](uint64_t& value) {
        LARGE_INTEGER c{};
        if (!QueryPerformanceCounter(&c)) return false;
        value = static_cast<uint64_t>(c.QuadPart);
        return true;
      },
      [] { return static_cast<uint32_t>(timeGetTime()); },
  };
}

}  // namespace platform
