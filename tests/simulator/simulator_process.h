#pragma once
// station-sim run as a child process, with its stdout read through a pipe.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace station_sim {

class SimulatorProcess {
 public:
  explicit SimulatorProcess(const std::vector<std::string>& arguments);
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;
  // Kills the process if it still runs.
  ~SimulatorProcess();

  // The next line of its stdout without the line end; empty when none came in time.
  std::string ReadLine(std::chrono::milliseconds timeout);

  void Signal(int signal);

  // Its exit code (128 + the signal when a signal ended it), or nothing while it still runs
  // after timeout.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
  std::optional<int> exitCode_;
};

}  // namespace station_sim
