#include "platform/posix/tty_poller.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

#include "platform/system_error.h"

namespace platform {

namespace {

enum Source : uint32_t { kStop, kReceived, kWritable };

constexpr int kOutputRecheckMs = 50;

bool Add(int epoll, int fd, uint32_t events, Source source) {
  epoll_event event{};
  event.events = events;
  event.data.u32 = source;
  return epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0;
}

void CloseIfOpen(int fd) {
  if (fd >= 0) ::close(fd);
}

}  // namespace

std::unique_ptr<TtyPoller> TtyPoller::Start(int fd, Handlers handlers, uint32_t tickMs,
                                            uint32_t& error) {
  std::unique_ptr<TtyPoller> poller(new TtyPoller(std::move(handlers), tickMs));
  error = poller->Watch(fd);
  if (error != kErrorSuccess) return nullptr;
  try {
    poller->thread_ = std::thread([p = poller.get()] { p->Run(); });
  } catch (const std::system_error&) {
    error = kErrorNotEnoughMemory;
    return nullptr;
  }
  return poller;
}

// Reads and output room are watched through two descriptors of the tty: the driver wakes
// them with different keys, so a wake-up for output room never looks like received bytes.
uint32_t TtyPoller::Watch(int fd) {
  epoll_ = epoll_create1(EPOLL_CLOEXEC);
  wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  writeSide_ = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (epoll_ < 0 || wake_ < 0 || writeSide_ < 0 || !Add(epoll_, wake_, EPOLLIN, kStop) ||
      !Add(epoll_, fd, EPOLLIN | EPOLLET, kReceived) ||
      !Add(epoll_, writeSide_, 0, kWritable)) {
    return SystemErrorFromErrno(errno);
  }
  return kErrorSuccess;
}

// A modification re-checks the descriptor, so room that is already there is reported.
void TtyPoller::WatchOutput(bool on) {
  outputWatched_ = on;
  epoll_event event{};
  event.events = on ? EPOLLOUT | EPOLLET : 0;
  event.data.u32 = kWritable;
  epoll_ctl(epoll_, EPOLL_CTL_MOD, writeSide_, &event);
}

int TtyPoller::TickWhenDue(std::chrono::steady_clock::time_point& nextTick) {
  if (!handlers_.tick) return -1;
  const auto now = std::chrono::steady_clock::now();
  if (now >= nextTick) {
    handlers_.tick();
    nextTick = now + std::chrono::milliseconds(tickMs_);
    return tickMs_;
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now);
  return static_cast<int>(left.count()) + 1;
}

void TtyPoller::Run() {
  auto nextTick = std::chrono::steady_clock::now() + std::chrono::milliseconds(tickMs_);
  for (;;) {
    int timeout = TickWhenDue(nextTick);
    if (outputWatched_) timeout = timeout < 0 ? kOutputRecheckMs : std::min(timeout, kOutputRecheckMs);
    epoll_event events[3];
    const int count = epoll_wait(epoll_, events, 3, timeout);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return;
    if (count == 0 && outputWatched_) handlers_.writable();
    for (int i = 0; i < count; ++i) {
      if (events[i].data.u32 == kStop) return;
      if (events[i].events & (EPOLLHUP | EPOLLERR)) {
        handlers_.hungUp();
        return;
      }
    }
    for (int i = 0; i < count; ++i) {
      if (events[i].data.u32 == kReceived) handlers_.received();
      if (events[i].data.u32 == kWritable) handlers_.writable();
    }
  }
}

TtyPoller::~TtyPoller() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
    thread_.join();
  }
  CloseIfOpen(writeSide_);
  CloseIfOpen(wake_);
  CloseIfOpen(epoll_);
}

}  // namespace platform
