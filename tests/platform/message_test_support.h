#pragma once
// Helpers for the message tests: a window procedure that records what it handled and on which
// thread, a thread that owns windows without pumping, and one that pumps when woken.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "platform/sync.h"

namespace platform::testing {

constexpr uint32_t kEchoMsg = 0x7E01;   // answers lParam + 1
constexpr uint32_t kHoldMsg = 0x7E02;   // waits until ReleaseHeldMessages(), answers 0
constexpr uint32_t kRelayMsg = 0x7E03;  // sends kEchoMsg(lParam) to the window in wParam
constexpr uint32_t kThrowMsg = 0x7E04;  // throws std::runtime_error
constexpr uint32_t kOtherMsg = 0x7E05;

struct Handled {
  std::thread::id thread;
  uint32_t msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool sentByAnotherThread = false;  // InSendMessage() while it was handled
};

// Everything the recording windows handled, in order.
std::vector<Handled> HandledMessages();
void ClearHandledMessages();
// Signalled when a window procedure starts waiting in kHoldMsg.
Handle HeldMessageStarted();
// Lets a window procedure that waits in kHoldMsg go on.
void ReleaseHeldMessages();

// A window of the recording class owned by the calling thread.
HWND MakeRecordingWindow();

inline WPARAM AsWParam(HWND window) { return reinterpret_cast<WPARAM>(window); }

// Lets the thread that makes it wait until a message is queued for it: through the arrival
// hook where the platform calls it, through the system's queue state on Windows.
class MessageArrival {
 public:
  MessageArrival();
  ~MessageArrival();
  MessageArrival(const MessageArrival&) = delete;
  MessageArrival& operator=(const MessageArrival&) = delete;
  // On the thread that made it: true once a message has arrived since it was made or last
  // waited for (on Windows also when one was waiting before); false only if the wait failed.
  bool Wait();

 private:
  struct State;  // what the platform's way of waiting needs
  std::unique_ptr<State> state_;
};

// Installs an arrival hook for the calling thread for the life of the object.
class ScopedArrivalHook {
 public:
  explicit ScopedArrivalHook(std::function<void()> hook) { SetMessageArrivalHook(std::move(hook)); }
  ScopedArrivalHook(const ScopedArrivalHook&) = delete;
  ScopedArrivalHook& operator=(const ScopedArrivalHook&) = delete;
  ~ScopedArrivalHook() { SetMessageArrivalHook({}); }
};

// Runs tasks on its own thread; between tasks it waits without pumping messages.
class Worker {
 public:
  Worker();
  ~Worker();
  // Runs `task` on the worker and returns when it has finished.
  void Run(std::function<void()> task);
  std::thread::id Id() const { return thread_.get_id(); }
  // Ends the thread now (its thread-exit clean-up runs before this returns).
  void Join();

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<void()>> tasks_;
  bool stop_ = false;
  std::thread thread_;
};

// A thread that owns one recording window and handles its messages whenever they arrive,
// the way a GUI event loop would.
class PumpingOwner {
 public:
  PumpingOwner();
  ~PumpingOwner();
  HWND Window() const { return window_; }
  std::thread::id Id() const { return thread_.get_id(); }

 private:
  void Loop(std::promise<HWND>& ready);

  std::atomic<bool> stop_{false};
  HWND window_ = nullptr;
  std::thread thread_;
};

}  // namespace platform::testing
