#include "platform/posix/line_events.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/serial_api.h"

namespace platform {
namespace {

// What a real UART counts cannot be produced on a pseudo-terminal: the mapping is checked here.
TEST(LineEvents, EachCountedEventGivesItsErrorAndEventBits) {
  struct Case {
    const char* what;
    uint32_t LineCounters::*counter;
    uint32_t errors;
    uint32_t events;
  };
  const std::vector<Case> cases = {
      {"CTS change", &LineCounters::cts, 0, kEvCts},
      {"DSR change", &LineCounters::dsr, 0, kEvDsr},
      {"DCD change", &LineCounters::dcd, 0, kEvRlsd},
      {"ring", &LineCounters::ring, 0, kEvRing | kEvRing2},
      {"framing error", &LineCounters::frame, kCeFrame, kEvErr},
      {"parity error", &LineCounters::parity, kCeRxParity, kEvErr},
      {"overrun", &LineCounters::overrun, kCeOverrun, kEvErr},
      {"break", &LineCounters::brk, kCeBreak, kEvBreak},
      {"receive buffer overrun", &LineCounters::bufferOverrun, kCeRxOver, 0},
  };
  const LineCounters before{3, 3, 3, 3, 3, 3, 3, 3, 3};
  EXPECT_EQ(LineErrorsBetween(before, before), 0u);
  EXPECT_EQ(LineEventsBetween(before, before), 0u);
  for (const Case& c : cases) {
    LineCounters after = before;
    after.*c.counter += 2;
    EXPECT_EQ(LineErrorsBetween(before, after), c.errors) << c.what;
    EXPECT_EQ(LineEventsBetween(before, after), c.events) << c.what;
  }
}

}  // namespace
}  // namespace platform
