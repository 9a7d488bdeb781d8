#pragma once
// The millisecond clock and the 55 ms tick timers built on it.
#include <cstdint>
#include <functional>

namespace platform {

// A high-resolution counter: frequency and value, each false when unavailable; plus the
// system's millisecond time used when the counter cannot serve.
struct CounterSource {
  std::function<bool(uint64_t& frequency)> frequency;
  std::function<bool(uint64_t& value)> counter;
  std::function<uint32_t()> systemMs;
};

// Milliseconds from the counter: counter div counts-per-ms (frequency div 1000, plus 1 when
// frequency mod 1000 > 500), low 32 bits; the system's millisecond time when the frequency is
// 0 or does not fit in 32 bits.
uint32_t ElapsedMs();

// Replaces the counter (tests); an empty source restores the system's.
void SetCounterSourceForTesting(CounterSource source);

constexpr int32_t kTickMs = 55;
constexpr int32_t kMaxTicks = 39045157;  // 0x253C825: half the clock's range in ticks

struct TTickTimer {
  int32_t StartTicks = 0;
  int32_t ExpireTicks = 0;
};

// Starts T now for `ticks` ticks (clamped to kMaxTicks).
void SetTickTimer(TTickTimer& timer, int32_t ticks);
// True once the expiry tick has passed, also across a wrap of the clock.
bool TickTimerExpired(const TTickTimer& timer);

}  // namespace platform
