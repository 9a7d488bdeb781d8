#include "platform/messages.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

struct ThreadQueue;

// A message sent from another thread; the sender waits for its state to leave kQueued/kRunning.
struct SentMessage {
  enum class State { kQueued, kRunning, kDone, kDropped };
  MSG msg;
  State state = State::kQueued;
  LRESULT result = 0;
  std::shared_ptr<ThreadQueue> sender;
};

// The message queue of one thread, made when the thread first needs it.
struct ThreadQueue {
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::optional<int> quitCode;  // a pending quit, handed out when nothing else is posted
  // The owning thread waits here for the answer to its own sends and for sends to it.
  std::condition_variable wake;
  // Set whenever a message is queued, for MsgWaitForMultipleObjects.
  Handle arrival = CreateEvent(false, false);

  ThreadQueue() = default;
  ThreadQueue(const ThreadQueue&) = delete;
  ThreadQueue& operator=(const ThreadQueue&) = delete;
  ~ThreadQueue() { CloseHandle(arrival); }

  // The arrival hook is called under its own lock, never under the registry's, so that it
  // can post or send itself; replacing it waits for calls of the old one to return.
  std::recursive_mutex hookMutex;
  std::function<void()> hook;
};

struct Window {
  WindowProc proc = nullptr;
  std::shared_ptr<ThreadQueue> owner;
};

// Window handles are serial numbers, never reused, so a stale handle cannot reach a newer
// window; every lookup goes through the registry.
struct Registry {
  std::mutex mutex;
  std::map<std::string, WindowProc> classes;
  std::unordered_map<uintptr_t, Window> windows;
  uintptr_t lastHandle = 0;
};

Registry& TheRegistry() {
  static auto* registry = new Registry;  // never destroyed: detached threads may outlive main
  return *registry;
}

uintptr_t Key(HWND window) { return reinterpret_cast<uintptr_t>(window); }

const Window* Find(Registry& r, HWND window) {
  const auto it = r.windows.find(Key(window));
  return it == r.windows.end() ? nullptr : &it->second;
}

void Finish(SentMessage& m, SentMessage::State state, LRESULT result) {
  m.state = state;
  m.result = result;
  m.sender->wake.notify_all();
}

// Drops what is queued for the windows `doomed` accepts; their senders stop waiting.
template <typename Pred>
void DropQueued(ThreadQueue& q, Pred doomed) {
  std::erase_if(q.posted, [&](const MSG& m) { return doomed(m.window); });
  std::erase_if(q.sent, [&](const std::shared_ptr<SentMessage>& m) {
    if (!doomed(m->msg.window)) return false;
    Finish(*m, SentMessage::State::kDropped, 0);
    return true;
  });
}

// A thread's windows go with the thread, so that nothing waits for a thread that is gone.
void CloseQueue(const std::shared_ptr<ThreadQueue>& q) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.windows, [&](const auto& entry) { return entry.second.owner == q; });
  DropQueued(*q, [](HWND) { return true; });
  q->quitCode.reset();
}

struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
  ~QueueHolder() {
    {
      std::lock_guard lock(queue->hookMutex);
      queue->hook = nullptr;
    }
    CloseQueue(queue);
  }
};

const std::shared_ptr<ThreadQueue>& CurrentQueue() {
  thread_local QueueHolder holder;
  return holder.queue;
}

// Tells the thread of `q` that a message was queued for it.
void Arrived(ThreadQueue& q) {
  SetEvent(q.arrival);
  std::lock_guard lock(q.hookMutex);
  if (q.hook) q.hook();
}

// How many messages sent from other threads the calling thread is handling (nested).
thread_local int sentBeingHandled = 0;

// Counts one such message for the life of the object.
struct HandlingSent {
  HandlingSent() { ++sentBeingHandled; }
  ~HandlingSent() { --sentBeingHandled; }
  HandlingSent(const HandlingSent&) = delete;
  HandlingSent& operator=(const HandlingSent&) = delete;
};

// Handles the oldest message sent to the calling thread; false when none waits.
bool HandleOneSent() {
  Registry& r = TheRegistry();
  std::shared_ptr<SentMessage> m;
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(r.mutex);
    ThreadQueue& q = *CurrentQueue();
    if (q.sent.empty()) return false;
    m = std::move(q.sent.front());
    q.sent.pop_front();
    proc = Find(r, m->msg.window)->proc;  // destroying a window drops its queued messages
    m->state = SentMessage::State::kRunning;
  }
  LRESULT result = 0;
  try {
    const HandlingSent handling;
    result = proc(m->msg.window, m->msg.message, m->msg.wParam, m->msg.lParam);
  } catch (...) {
    std::lock_guard lock(r.mutex);
    Finish(*m, SentMessage::State::kDropped, 0);  // the sender fails instead of waiting for ever
    throw;
  }
  std::lock_guard lock(r.mutex);
  Finish(*m, SentMessage::State::kDone, result);
  return true;
}

// True when there was any.
bool HandleAllSent() {
  bool any = false;
  while (HandleOneSent()) any = true;
  return any;
}

// Waits for the owner thread to handle `m`. Unless `block`, messages sent to the waiting
// thread meanwhile are handled, so that two threads sending to each other cannot deadlock.
// A message still queued at the time-out is withdrawn; one already running is abandoned.
bool AwaitReply(std::unique_lock<std::mutex>& lock, const std::shared_ptr<ThreadQueue>& owner,
                const std::shared_ptr<SentMessage>& m, bool block,
                std::optional<std::chrono::steady_clock::time_point> deadline, LRESULT* result) {
  ThreadQueue& me = *m->sender;
  for (;;) {
    if (m->state == SentMessage::State::kDone) {
      if (result != nullptr) *result = m->result;
      return true;
    }
    if (m->state == SentMessage::State::kDropped) return false;
    if (!block && !me.sent.empty()) {
      lock.unlock();
      HandleAllSent();
      lock.lock();
      continue;
    }
    if (!deadline) {
      me.wake.wait(lock);
    } else if (me.wake.wait_until(lock, *deadline) == std::cv_status::timeout &&
               m->state != SentMessage::State::kDone) {
      std::erase(owner->sent, m);
      return false;
    }
  }
}

bool Send(HWND window, const MSG& msg, bool block,
          std::optional<std::chrono::steady_clock::time_point> deadline, LRESULT* result) {
  Registry& r = TheRegistry();
  std::unique_lock lock(r.mutex);
  const Window* target = Find(r, window);
  if (target == nullptr) return false;
  const std::shared_ptr<ThreadQueue>& me = CurrentQueue();
  if (target->owner == me) {
    const WindowProc proc = target->proc;
    lock.unlock();
    const LRESULT value = proc(window, msg.message, msg.wParam, msg.lParam);
    if (result != nullptr) *result = value;
    return true;
  }
  const std::shared_ptr<ThreadQueue> owner = target->owner;
  auto m = std::make_shared<SentMessage>(SentMessage{msg, SentMessage::State::kQueued, 0, me});
  owner->sent.push_back(m);
  owner->wake.notify_all();
  lock.unlock();
  Arrived(*owner);
  lock.lock();
  return AwaitReply(lock, owner, m, block, deadline, result);
}

// Takes the next posted message, or the pending quit once nothing else is posted.
std::optional<MSG> TakePosted(ThreadQueue& q, bool remove) {
  if (!q.posted.empty()) {
    MSG msg = q.posted.front();
    if (remove) q.posted.pop_front();
    return msg;
  }
  if (!q.quitCode) return std::nullopt;
  MSG quit{nullptr, kWmQuit, static_cast<WPARAM>(*q.quitCode), 0};
  if (remove) q.quitCode.reset();
  return quit;
}

void SetQuit(int exitCode) {
  std::lock_guard lock(TheRegistry().mutex);
  CurrentQueue()->quitCode = exitCode;
}

}  // namespace

bool RegisterClass(const std::string& className, WindowProc proc) {
  if (className.empty() || proc == nullptr) return false;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.classes.emplace(className, proc).second;
}

HWND CreateWindow(const std::string& className) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto cls = r.classes.find(className);
  if (cls == r.classes.end()) return nullptr;
  const uintptr_t key = ++r.lastHandle;
  r.windows.emplace(key, Window{cls->second, CurrentQueue()});
  return reinterpret_cast<HWND>(key);
}

bool DestroyWindow(HWND window) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const Window* target = Find(r, window);
  if (target == nullptr || target->owner != CurrentQueue()) return false;
  DropQueued(*target->owner, [window](HWND w) { return w == window; });
  r.windows.erase(Key(window));
  return true;
}

LRESULT DefWindowProc(HWND, uint32_t, WPARAM, LPARAM) { return 0; }

LRESULT SendMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  Send(window, MSG{window, msg, wParam, lParam}, false, std::nullopt, &result);
  return result;
}

bool SendMessageTimeout(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam, uint32_t flags,
                        uint32_t timeoutMs, LRESULT* result) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  return Send(window, MSG{window, msg, wParam, lParam}, (flags & kSmtoBlock) != 0, deadline,
              result);
}

bool PostMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  Registry& r = TheRegistry();
  std::shared_ptr<ThreadQueue> owner;
  {
    std::lock_guard lock(r.mutex);
    const Window* target = Find(r, window);
    if (target == nullptr) return false;
    owner = target->owner;
    owner->posted.push_back(MSG{window, msg, wParam, lParam});
  }
  Arrived(*owner);
  return true;
}

void PostQuitMessage(int exitCode) {
  SetQuit(exitCode);
  Arrived(*CurrentQueue());
}

bool PeekMessage(MSG& msg, bool remove) {
  HandleAllSent();
  std::lock_guard lock(TheRegistry().mutex);
  const std::optional<MSG> next = TakePosted(*CurrentQueue(), remove);
  if (next) msg = *next;
  return next.has_value();
}

void TranslateMessage(const MSG&) {}

LRESULT DispatchMessage(const MSG& msg) {
  Registry& r = TheRegistry();
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(r.mutex);
    const Window* target = Find(r, msg.window);
    if (target == nullptr || target->owner != CurrentQueue()) return 0;
    proc = target->proc;
  }
  return proc(msg.window, msg.message, msg.wParam, msg.lParam);
}

void PumpOneMessage() {
  // Messages sent from other threads count as the one, as on Windows: a posted one waits for
  // the next call.
  if (HandleAllSent()) return;
  MSG msg;
  if (!PeekMessage(msg, true)) return;
  if (msg.message == kWmQuit) {
    // Put back quietly: the thread's own loop will see it; waking it again would only spin.
    SetQuit(static_cast<int>(msg.wParam));
    return;
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
}

bool InSendMessage() { return sentBeingHandled > 0; }

uint32_t MsgWaitForMultipleObjects(uint32_t count, const Handle* objects, uint32_t timeoutMs) {
  ThreadQueue& q = *CurrentQueue();
  // Reset first: a message queued after the reset sets the event again, one queued before it
  // is found in the queue, so none is missed and none handled already ends the wait.
  ResetEvent(q.arrival);
  {
    std::lock_guard lock(TheRegistry().mutex);
    if (!q.posted.empty() || !q.sent.empty()) return kWaitObject0 + count;
  }
  std::vector<Handle> all(objects, objects + count);
  all.push_back(q.arrival);
  return WaitForMultipleObjects(count + 1, all.data(), timeoutMs);
}

void SetMessageArrivalHook(std::function<void()> hook) {
  ThreadQueue& q = *CurrentQueue();
  std::lock_guard lock(q.hookMutex);
  q.hook = std::move(hook);
}

}  // namespace platform
