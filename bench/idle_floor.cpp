// The floor under the idle column: what the dispatch thread's 50 ms cycle costs on this
// machine when the pass after each wake-up does nothing. Waits on an event that is never
// set, 50 ms at a time, for the given seconds (default 10), and prints the CPU it took.
#include <cstdio>
#include <cstdlib>

#include "bench_common.h"
#include "platform/sync.h"

int main(int argc, char** argv) {
  constexpr uint32_t kCycleMs = 50;
  const double seconds = argc > 1 ? std::strtod(argv[1], nullptr) : 10.0;
  const platform::Handle never = platform::CreateEvent(false, false);
  const bench::Cpu c0 = bench::Cpu::now();
  const uint64_t end = bench::now_ns() + static_cast<uint64_t>(seconds * 1e9);
  unsigned cycles = 0;
  for (; bench::now_ns() < end; ++cycles) platform::WaitForSingleObject(never, kCycleMs);
  const bench::Cpu c1 = bench::Cpu::now();
  const uint64_t cpu = (c1.user_us - c0.user_us) + (c1.sys_us - c0.sys_us);
  std::printf("%u waits of %u ms: cpu_us=%llu (%.1f us per wake-up, %.2f ms per 10 s) vcsw=%ld\n", cycles,
              static_cast<unsigned>(kCycleMs), static_cast<unsigned long long>(cpu), double(cpu) / cycles,
              double(cpu) / 1000.0 * 10.0 / seconds, c1.nvcsw - c0.nvcsw);
  platform::CloseHandle(never);
  return 0;
}
