#pragma once
// Watches a tty on a thread of its own, which sleeps in the kernel (epoll) between reports.
// It tells
//   - each arrival of received bytes: edge-triggered, so bytes left unread are not told
//     again until more arrive;
//   - each time the driver made room for more output, while output is watched (WatchOutput):
//     the driver makes room after every write, and a writer with nothing pending need not
//     be woken for it; also every 50 ms while watched, because a driver may make room
//     without telling (a pseudo-terminal, when the kernel moves the bytes on to the reader's
//     side later);
//   - a hang-up (the device went away, e.g. the master side of a pseudo-terminal closed);
//     after that it tells nothing more, since a hung-up tty stays readable for ever;
//   - when asked for, a tick every `tickMs`, for what the kernel cannot wake it for (the
//     modem lines: the driver's wait for their changes can only be broken by a signal).
// The handlers run on the poller's thread, one at a time.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace platform {

class TtyPoller {
 public:
  struct Handlers {
    std::function<void()> received;
    std::function<void()> writable;
    std::function<void()> hungUp;
    std::function<void()> tick;  // none: no ticks
  };

  // Starts watching `fd`, which must stay open while the poller lives; nullptr with `error`
  // set when the kernel objects or the thread cannot be made.
  static std::unique_ptr<TtyPoller> Start(int fd, Handlers handlers, uint32_t tickMs,
                                          uint32_t& error);
  // Stops the thread (a handler running on it finishes first).
  ~TtyPoller();
  // Turns the reports of output room on or off (off at the start); from any thread. Turning
  // them on reports room that is there already.
  void WatchOutput(bool on);
  TtyPoller(const TtyPoller&) = delete;
  TtyPoller& operator=(const TtyPoller&) = delete;

 private:
  TtyPoller(Handlers handlers, uint32_t tickMs)
      : handlers_(std::move(handlers)), tickMs_(static_cast<int>(tickMs)) {}
  uint32_t Watch(int fd);
  void Run();
  // Ticks when a tick is due; the epoll time-out until the next one (-1: none).
  int TickWhenDue(std::chrono::steady_clock::time_point& nextTick);

  Handlers handlers_;
  int tickMs_;
  std::atomic<bool> outputWatched_{false};
  int epoll_ = -1;
  int wake_ = -1;       // eventfd that stops the thread
  int writeSide_ = -1;  // a second descriptor of the tty, watched for output room only
  std::thread thread_;
};

}  // namespace platform
