#include "platform/clock.h"

#include <algorithm>
#include <mutex>

#include "platform/system_counter.h"

namespace platform {

namespace {

// Number of distinct tick values of the 32-bit millisecond clock (0 .. 0xFFFFFFFF div 55).
constexpr int32_t kTickRange = static_cast<int32_t>(0xFFFFFFFFu / kTickMs) + 1;

// Counts per millisecond: frequency div 1000, rounded up past half. 0 when the counter cannot
// serve (no frequency, one that does not fit in 32 bits, or one below a count per ms).
uint64_t CountsPerMs(const CounterSource& source) {
  uint64_t frequency = 0;
  if (!source.frequency(frequency) || frequency == 0 || frequency > 0xFFFFFFFFu) return 0;
  return frequency / 1000 + (frequency % 1000 > 500 ? 1 : 0);
}

struct Clock {
  std::mutex mutex;
  CounterSource source;
  uint64_t countsPerMs = 0;

  void Use(CounterSource next) {
    const CounterSource system = SystemCounterSource();
    if (!next.frequency) next.frequency = system.frequency;
    if (!next.counter) next.counter = system.counter;
    if (!next.systemMs) next.systemMs = system.systemMs;
    std::lock_guard lock(mutex);
    source = std::move(next);
    countsPerMs = CountsPerMs(source);
  }

  uint32_t Now() {
    std::lock_guard lock(mutex);
    uint64_t value = 0;
    if (countsPerMs == 0 || !source.counter(value)) return source.systemMs();
    return static_cast<uint32_t>(value / countsPerMs);
  }
};

Clock& TheClock() {
  static auto* clock = [] {
    auto* c = new Clock;  // never destroyed: detached threads may read it after main
    c->Use({});
    return c;
  }();
  return *clock;
}

int32_t NowTicks() { return static_cast<int32_t>(ElapsedMs() / kTickMs); }

}  // namespace

uint32_t ElapsedMs() { return TheClock().Now(); }

void SetCounterSourceForTesting(CounterSource source) { TheClock().Use(std::move(source)); }

void SetTickTimer(TTickTimer& timer, int32_t ticks) {
  timer.StartTicks = NowTicks();
  timer.ExpireTicks = timer.StartTicks + std::min(ticks, kMaxTicks);
}

bool TickTimerExpired(const TTickTimer& timer) {
  const int32_t now = NowTicks();
  if (now > timer.ExpireTicks) return true;
  // The clock wrapped since the start: count the ticks up to the wrap as well.
  return now < timer.StartTicks && now + kTickRange > timer.ExpireTicks;
}

}  // namespace platform
