#include "platform/thread.h"

#include <process.h>

#include <array>
#include <mutex>

#include "platform/win32/windows_api.h"

namespace platform {

namespace {

const DWORD kMainThreadId = GetCurrentThreadId();

// Win32 priorities of the seven levels, idle to time-critical.
constexpr std::array<int, 7> kPriorityOf{THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                         THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                         THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                         THREAD_PRIORITY_TIME_CRITICAL};

// What the thread and the object share; it lives as long as either of them. The thread is
// made suspended, so its handle and id are known before its body runs.
struct ThreadState {
  std::function<void()> body;
  std::mutex mutex;
  HANDLE handle = nullptr;
  DWORD id = 0;
  bool running = true;

  ~ThreadState() {
    if (handle != nullptr) ::CloseHandle(handle);
  }
};

class Win32Thread final : public Thread {
 public:
  explicit Win32Thread(std::shared_ptr<ThreadState> state) : state_(std::move(state)) {}
  ~Win32Thread() override { Join(); }

  void SetPriority(ThreadPriority priority) override {
    std::lock_guard lock(state_->mutex);
    // A refusal leaves the level as it is.
    if (state_->running) {
      SetThreadPriority(state_->handle, kPriorityOf[static_cast<size_t>(priority)]);
    }
  }

  bool IsCurrent() const override {
    std::lock_guard lock(state_->mutex);
    return state_->running && state_->id == GetCurrentThreadId();
  }

  // The handle stays valid until the state goes, so any number of waits may run on it.
  void Join() override { ::WaitForSingleObject(state_->handle, INFINITE); }

 private:
  std::shared_ptr<ThreadState> state_;
};

unsigned __stdcall RunThread(void* parameter) {
  // The thread's own reference; the one in Start may already be gone.
  std::shared_ptr<ThreadState> state(std::move(*static_cast<std::shared_ptr<ThreadState>*>(parameter)));
  delete static_cast<std::shared_ptr<ThreadState>*>(parameter);
  std::function<void()> body = std::move(state->body);
  body();
  std::lock_guard lock(state->mutex);
  state->running = false;
  return 0;
}

}  // namespace

std::unique_ptr<Thread> Thread::Start(std::function<void()> body) {
  auto state = std::make_shared<ThreadState>();
  state->body = std::move(body);
  auto* threadReference = new std::shared_ptr<ThreadState>(state);
  unsigned id = 0;
  // _beginthreadex rather than CreateThread, so the C runtime is set up for the thread.
  const uintptr_t handle =
      _beginthreadex(nullptr, 0, RunThread, threadReference, CREATE_SUSPENDED, &id);
  if (handle == 0) {
    delete threadReference;
    return nullptr;
  }
  state->handle = reinterpret_cast<HANDLE>(handle);
  state->id = id;
  ResumeThread(state->handle);
  return std::make_unique<Win32Thread>(state);
}

bool IsMainThread() { return GetCurrentThreadId() == kMainThreadId; }

}  // namespace platform
