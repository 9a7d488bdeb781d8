#pragma once
// The state of a serial line as the kernel keeps it: the modem input lines (TIOCMGET) and
// the counters of line events (TIOCGICOUNT), and what their changes mean as Win32 event
// (EV_) and line error (CE_) bits. A pseudo-terminal has neither lines nor counters.
#include <cstdint>
#include <optional>

namespace platform {

// How often each event happened since the driver started counting.
struct LineCounters {
  uint32_t cts = 0;  // CTS changes
  uint32_t dsr = 0;  // DSR changes
  uint32_t ring = 0;  // trailing edges of the ring indicator
  uint32_t dcd = 0;  // DCD changes
  uint32_t frame = 0;  // framing errors
  uint32_t parity = 0;  // parity errors
  uint32_t overrun = 0;  // characters lost in the UART
  uint32_t brk = 0;  // breaks received
  uint32_t bufferOverrun = 0;  // characters lost because the receive buffer was full
};

// The counters of the tty `fd`; nullopt where the driver keeps none.
std::optional<LineCounters> ReadLineCounters(int fd);

// Whether the tty `fd` has modem lines to read (a pseudo-terminal has none).
bool HasModemLines(int fd);

// The modem input lines of the tty `fd` as kMsCtsOn, kMsDsrOn, kMsRingOn and kMsRlsdOn bits
// in `lines` (0 for a tty without modem lines); 0 or the system error.
uint32_t ReadModemLines(int fd, uint32_t& lines);

// The CE_ bits of the errors counted between two readings.
uint32_t LineErrorsBetween(const LineCounters& before, const LineCounters& after);

// The EV_ bits of what was counted between two readings: line changes, breaks, errors.
uint32_t LineEventsBetween(const LineCounters& before, const LineCounters& after);

// The EV_ bits of a change of the modem input lines (kMs bits): EV_CTS, EV_DSR, EV_RLSD;
// the ring indicator going on gives EV_RING, going off EV_RING2.
uint32_t ModemLineEvents(uint32_t before, uint32_t after);

}  // namespace platform
