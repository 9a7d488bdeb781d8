#pragma once
// SIGINT and SIGTERM ask the simulator to stop. They stay blocked except inside the waits
// below, so a stop signal either ends a wait at once or is seen by the next check.
#include <poll.h>

namespace station_sim {

void InstallStopSignals();
bool StopRequested();

// poll() that also returns, with 0, as soon as a signal arrives (StopRequested() tells
// whether it was a stop signal); timeoutMs < 0 waits without limit. Returns -1 with errno set
// on failure.
int PollUnlessStopped(pollfd* fds, nfds_t count, int timeoutMs);

// Waits ms milliseconds; false when a stop signal came first.
bool PauseUnlessStopped(int ms);

}  // namespace station_sim
