#include "platform/thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace platform {

namespace {

const std::thread::id kMainThreadId = std::this_thread::get_id();

// Linux nice values of the seven levels, idle to time-critical.
constexpr std::array<int, 7> kNiceOf{19, 10, 5, 0, -5, -10, -20};

// What the thread and the object share.
struct ThreadState {
  std::mutex mutex;
  bool running = false;
  pid_t kernelId = 0;
  std::thread::id id;
  std::optional<ThreadPriority> requested;  // asked for before the thread ran
};

void ApplyNice(pid_t kernelId, ThreadPriority priority) {
  // A refusal (raising priority without the right to) leaves the level as it is.
  setpriority(PRIO_PROCESS, static_cast<id_t>(kernelId), kNiceOf[static_cast<size_t>(priority)]);
}

class PosixThread final : public Thread {
 public:
  explicit PosixThread(std::shared_ptr<ThreadState> state) : state_(std::move(state)) {}
  ~PosixThread() override { Join(); }

  void Begin(std::function<void()> body) { thread_ = std::thread(RunThread, state_, std::move(body)); }

  void SetPriority(ThreadPriority priority) override {
    std::lock_guard lock(state_->mutex);
    // While `running` is set under the lock the thread has not returned, so its id is valid.
    if (state_->running) {
      ApplyNice(state_->kernelId, priority);
    } else if (state_->id == std::thread::id()) {
      state_->requested = priority;
    }
  }

  bool IsCurrent() const override {
    std::lock_guard lock(state_->mutex);
    return state_->running && state_->id == std::this_thread::get_id();
  }

  void Join() override {
    std::lock_guard lock(joinMutex_);
    if (thread_.joinable()) thread_.join();
  }

 private:
  static void RunThread(const std::shared_ptr<ThreadState>& state, const std::function<void()>& body);

  std::shared_ptr<ThreadState> state_;
  std::mutex joinMutex_;  // std::thread::join must not run twice at once
  std::thread thread_;
};

void PosixThread::RunThread(const std::shared_ptr<ThreadState>& state,
                            const std::function<void()>& body) {
  {
    std::lock_guard lock(state->mutex);
    state->kernelId = static_cast<pid_t>(syscall(SYS_gettid));
    state->id = std::this_thread::get_id();
    state->running = true;
    if (state->requested) ApplyNice(state->kernelId, *state->requested);
  }
  body();
  std::lock_guard lock(state->mutex);
  state->running = false;
}

}  // namespace

std::unique_ptr<Thread> Thread::Start(std::function<void()> body) {
  auto thread = std::make_unique<PosixThread>(std::make_shared<ThreadState>());
  try {
    thread->Begin(std::move(body));
  } catch (const std::system_error&) {
    return nullptr;
  }
  return thread;
}

bool IsMainThread() { return std::this_thread::get_id() == kMainThreadId; }

}  // namespace platform
