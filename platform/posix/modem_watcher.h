#pragma once
// Sleeps in the driver (TIOCMIWAIT) until a modem input line (CTS, DSR, DCD, RI) changes and
// reports each change, on a thread of its own. A driver without that request (a
// pseudo-terminal) ends the thread at once: no change is ever reported.
//
// The wait in the driver can only be broken by a signal: stopping sends the thread the
// real-time signal SIGRTMIN + 3, for which a handler that does nothing
// is installed once per process.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

class ModemWatcher {
 public:
  // Starts watching `fd`, which must stay open while the watcher lives; nullptr when the
  // thread cannot be made.
  static std::unique_ptr<ModemWatcher> Start(int fd, std::function<void()> changed);
  // Breaks the wait and stops the thread (a report in progress finishes first).
  ~ModemWatcher();
  ModemWatcher(const ModemWatcher&) = delete;
  ModemWatcher& operator=(const ModemWatcher&) = delete;

 private:
  ModemWatcher(int fd, std::function<void()> changed) : fd_(fd), changed_(std::move(changed)) {}
  void Run();
  void Finished();

  int fd_;
  std::function<void()> changed_;
  std::mutex mutex_;
  std::condition_variable finishedSignal_;
  bool stopping_ = false;
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace platform
