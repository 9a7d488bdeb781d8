#include "tests/simulator/simulator_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <system_error>
#include <thread>

extern char** environ;

namespace station_sim {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& arguments) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::vector<char*> argv{const_cast<char*>(STATION_SIM_PATH)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const int error = posix_spawn(&pid_, STATION_SIM_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  stdout_ = pipeEnds[0];
  if (error != 0) throw std::system_error(error, std::generic_category(), "posix_spawn");
}

SimulatorProcess::~SimulatorProcess() {
  if (!exitCode_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  close(stdout_);
}

std::string SimulatorProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::string line;
  pollfd wanted{stdout_, POLLIN, 0};
  char c = 0;
  while (poll(&wanted, 1, MillisecondsUntil(deadline)) > 0 && read(stdout_, &c, 1) == 1) {
    if (c == '\n') return line;
    line.push_back(c);
  }
  return {};
}

void SimulatorProcess::Signal(int signal) { kill(pid_, signal); }

std::optional<int> SimulatorProcess::WaitExit(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!exitCode_) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (Clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return exitCode_;
}

}  // namespace station_sim
