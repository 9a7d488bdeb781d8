#include "platform/posix/modem_watcher.h"

#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <system_error>

namespace platform {

namespace {

int WakeSignal() { return SIGRTMIN + 3; }

void Ignore(int) {}

// Without SA_RESTART, so the signal ends the wait in the driver with EINTR.
void InstallWakeHandler() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    struct sigaction action {};
    action.sa_handler = Ignore;
    sigemptyset(&action.sa_mask);
    sigaction(WakeSignal(), &action, nullptr);
  });
}

constexpr int kModemLines = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG;
// How long a stop waits for the thread before it sends the signal again (a signal that
// came just before the thread entered the driver has nothing to break).
constexpr auto kResendAfter = std::chrono::milliseconds(10);

}  // namespace

std::unique_ptr<ModemWatcher> ModemWatcher::Start(int fd, std::function<void()> changed) {
  InstallWakeHandler();
  std::unique_ptr<ModemWatcher> watcher(new ModemWatcher(fd, std::move(changed)));
  try {
    watcher->thread_ = std::thread([w = watcher.get()] { w->Run(); });
  } catch (const std::system_error&) {
    return nullptr;
  }
  return watcher;
}

void ModemWatcher::Run() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
    if (ioctl(fd_, TIOCMIWAIT, kModemLines) == 0) {
      changed_();
    } else if (errno != EINTR) {
      break;
    }
  }
  Finished();
}

void ModemWatcher::Finished() {
  std::lock_guard lock(mutex_);
  finished_ = true;
  finishedSignal_.notify_all();
}

ModemWatcher::~ModemWatcher() {
  std::unique_lock lock(mutex_);
  stopping_ = true;
  while (!finished_) {
    pthread_kill(thread_.native_handle(), WakeSignal());
    finishedSignal_.wait_for(lock, kResendAfter);
  }
  lock.unlock();
  thread_.join();
}

}  // namespace platform
