#include "platform/posix/line_events.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "platform/serial_api.h"
#include "platform/system_error.h"

namespace platform {

namespace {

uint32_t Counted(uint32_t before, uint32_t after, uint32_t bits) {
  return before != after ? bits : 0;
}

}  // namespace

std::optional<LineCounters> ReadLineCounters(int fd) {
  serial_icounter_struct counts{};
  if (ioctl(fd, TIOCGICOUNT, &counts) != 0) return std::nullopt;
  const auto u = [](int value) { return static_cast<uint32_t>(value); };
  return LineCounters{u(counts.cts), u(counts.dsr), u(counts.rng), u(counts.dcd), u(counts.frame),
                      u(counts.parity), u(counts.overrun), u(counts.brk), u(counts.buf_overrun)};
}

bool HasModemLines(int fd) {
  int bits = 0;
  return ioctl(fd, TIOCMGET, &bits) == 0;
}

uint32_t ReadModemLines(int fd, uint32_t& lines) {
  int bits = 0;
  lines = 0;
  if (ioctl(fd, TIOCMGET, &bits) != 0) {
    // A tty without modem lines (a pseudo-terminal) does not know the request.
    return (errno == ENOTTY || errno == EINVAL) ? kErrorSuccess : SystemErrorFromErrno(errno);
  }
  if (bits & TIOCM_CTS) lines |= kMsCtsOn;
  if (bits & TIOCM_DSR) lines |= kMsDsrOn;
  if (bits & TIOCM_RNG) lines |= kMsRingOn;
  if (bits & TIOCM_CAR) lines |= kMsRlsdOn;
  return kErrorSuccess;
}

uint32_t LineErrorsBetween(const LineCounters& before, const LineCounters& after) {
  return Counted(before.bufferOverrun, after.bufferOverrun, kCeRxOver) |
         Counted(before.overrun, after.overrun, kCeOverrun) |
         Counted(before.parity, after.parity, kCeRxParity) |
         Counted(before.frame, after.frame, kCeFrame) | Counted(before.brk, after.brk, kCeBreak);
}

uint32_t LineEventsBetween(const LineCounters& before, const LineCounters& after) {
  // The kernel counts the trailing edge of a ring, which is what raises EV_RING on Windows.
  return Counted(before.cts, after.cts, kEvCts) | Counted(before.dsr, after.dsr, kEvDsr) |
         Counted(before.dcd, after.dcd, kEvRlsd) |
         Counted(before.ring, after.ring, kEvRing | kEvRing2) |
         Counted(before.brk, after.brk, kEvBreak) |
         Counted(before.frame, after.frame, kEvErr) |
         Counted(before.parity, after.parity, kEvErr) |
         Counted(before.overrun, after.overrun, kEvErr);
}

uint32_t ModemLineEvents(uint32_t before, uint32_t after) {
  const uint32_t changed = before ^ after;
  uint32_t events = 0;
  if (changed & kMsCtsOn) events |= kEvCts;
  if (changed & kMsDsrOn) events |= kEvDsr;
  if (changed & kMsRlsdOn) events |= kEvRlsd;
  if (changed & kMsRingOn) events |= (after & kMsRingOn) ? kEvRing : kEvRing2;
  return events;
}

}  // namespace platform
