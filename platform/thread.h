#pragma once
// Worker threads with the seven priority levels of the dispatcher threads.
#include <functional>
#include <memory>

namespace platform {

enum class ThreadPriority { kIdle = 0, kLowest, kLower, kNormal, kHigher, kHighest, kTimeCritical };

// A running thread. The body runs detached and the thread ends when it returns; the object
// may outlive the thread (SetPriority is then a no-op) and the thread may outlive the object.
class Thread {
 public:
  // nullptr when the system cannot make another thread.
  static std::shared_ptr<Thread> Start(std::function<void()> body);
  virtual ~Thread() = default;

  // Best effort: a level the OS refuses is left as it is, never an error.
  virtual void SetPriority(ThreadPriority priority) = 0;
  virtual bool IsCurrent() const = 0;
};

// Whether the caller is the program's main thread (the one that ran static initialisation).
bool IsMainThread();

}  // namespace platform
