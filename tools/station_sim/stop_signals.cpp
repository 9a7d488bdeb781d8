#include "tools/station_sim/stop_signals.h"

#include <cerrno>
#include <csignal>
#include <ctime>

namespace station_sim {

namespace {

volatile std::sig_atomic_t stopRequested = 0;
sigset_t waitMask;  // the signal mask while waiting: the stop signals unblocked

void OnStopSignal(int) { stopRequested = 1; }

}  // namespace

void InstallStopSignals() {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  sigdelset(&waitMask, SIGINT);
  sigdelset(&waitMask, SIGTERM);

  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return stopRequested != 0; }

int PollUnlessStopped(pollfd* fds, nfds_t count, int timeoutMs) {
  if (StopRequested()) return 0;
  timespec timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
  const int ready = ppoll(fds, count, timeoutMs < 0 ? nullptr : &timeout, &waitMask);
  if (ready < 0 && errno == EINTR) return 0;
  return ready;
}

bool PauseUnlessStopped(int ms) {
  PollUnlessStopped(nullptr, 0, ms);
  return !StopRequested();
}

}  // namespace station_sim
