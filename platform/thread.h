#pragma once
// Worker threads with the seven priority levels of the dispatcher threads.
#include <functional>
#include <memory>

namespace platform {

enum class ThreadPriority { kIdle = 0, kLowest, kLower, kNormal, kHigher, kHighest, kTimeCritical };

// A running thread, owned by the object: the thread ends when its body returns, and Join (or
// the destructor, which joins) waits for that. Nothing runs detached, so whatever the body
// uses may be freed once the thread is joined.
class Thread {
 public:
  // nullptr when the system cannot make another thread.
  static std::unique_ptr<Thread> Start(std::function<void()> body);
  virtual ~Thread() = default;

  // Best effort: a level the OS refuses is left as it is, never an error; a no-op once the
  // body has returned.
  virtual void SetPriority(ThreadPriority priority) = 0;
  virtual bool IsCurrent() const = 0;
  // Waits until the body has returned; at once when it had. From any thread but the thread
  // itself, also from several at a time.
  virtual void Join() = 0;
};

// Whether the caller is the program's main thread (the one that ran static initialisation).
bool IsMainThread();

}  // namespace platform
