// How long a port takes to close, on a line to the station simulator (bench/close_time.sh
// starts one): an idle port closed from outside any event (the threads are told at once, not
// at their next 50 ms cycle), and a close from inside OnTriggerAvail when the reply to
// "readall" arrives, which the dispatch thread completes (with the number of ClosePendingMsg
// deliveries it took). Prints median and maximum of the given number of rounds (default 30).
//   close_time <device path> [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/sync.h"
#include "serial/com_port.h"
#include "serial/trigger_records.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Handles messages until `done` holds, one per millisecond (as a busy event loop might), so
// that the figures compare with code that had no wait for messages.
template <typename Done>
void PumpUntil(Done done) {
  while (!done()) {
    platform::PumpOneMessage();
    if (!done()) platform::Sleep(1);
  }
}

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s median %7.3f ms  max %7.3f ms  (%zu rounds)\n", what, ms[ms.size() / 2], ms.back(),
              ms.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: close_time <device path> [rounds]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 30;
  setenv("SIO_COM1", argv[1], 1);

  std::vector<double> idle, deferred;
  int mostClosePending = 0;
  for (int i = 0; i < rounds; ++i) {
    sio::TSioComPort port;
    port.SetComNumber(1);
    port.SetOpen(true);
    platform::Sleep(120);  // the dispatch thread sits in its 50 ms wait
    const auto start = Clock::now();
    port.SetOpen(false);
    idle.push_back(Ms(Clock::now() - start));
  }
  for (int i = 0; i < rounds; ++i) {
    sio::TSioComPort port;
    port.SetComNumber(1);
    Clock::time_point start;
    int closePending = 0;
    port.SetOnTrigger([&](sio::TComponent*, uint16_t msg, uint16_t, uint16_t) {
      if (msg == sio::ClosePendingMsg) ++closePending;
    });
    port.SetOnTriggerAvail([&](sio::TComponent*, uint16_t) {
      start = Clock::now();
      port.SetOpen(false);
    });
    port.WriteString("readall\r");  // opens the port
    PumpUntil([&] { return port.State() == sio::cpsClosed; });
    deferred.push_back(Ms(Clock::now() - start));
    mostClosePending = std::max(mostClosePending, closePending);
  }
  Report("idle port, closed", idle);
  Report("closed inside OnTriggerAvail", deferred);
  std::printf("ClosePendingMsg deliveries per deferred close: at most %d\n", mostClosePending);
  return 0;
}
