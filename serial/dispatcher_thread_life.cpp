// The life of a dispatcher's worker threads: counted as they start, marked ended by their
// last act, joined by the party that stops them. One party releases a closing port; the
// choice is made under ThreadBook (DonePort here, and the dispatch thread in ThreadEnded).
#include <algorithm>
#include <utility>

#include "platform/messages.h"
#include "serial/dispatcher.h"

namespace sio {

namespace {

size_t Index(ThreadKind kind) { return static_cast<size_t>(kind); }

}  // namespace

int32_t TSioBaseDispatcher::CountAlive() const {
  return static_cast<int32_t>(std::count(Alive.begin(), Alive.end(), true));
}

int32_t TSioBaseDispatcher::LiveThreadCount() {
  std::lock_guard guard(ThreadBook);
  return CountAlive();
}

bool TSioBaseDispatcher::ThreadAlive(ThreadKind kind) {
  std::lock_guard guard(ThreadBook);
  return Alive[Index(kind)];
}

bool TSioBaseDispatcher::IsWorkerThread() {
  std::lock_guard guard(ThreadBook);
  for (const auto& thread : Threads) {
    if (thread && thread->IsCurrent()) return true;
  }
  return false;
}

// Held while the thread is made, so one that ends at once finds itself counted.
bool TSioBaseDispatcher::StartThread(ThreadKind kind, std::function<void()> body) {
  std::lock_guard guard(ThreadBook);
  Threads[Index(kind)] = platform::Thread::Start(std::move(body));
  if (!Threads[Index(kind)]) return false;
  Alive[Index(kind)] = true;
  ThreadsRunning_ = true;
  return true;
}

void TSioBaseDispatcher::ThreadEnded(ThreadKind kind) {
  if (kind == ThreadKind::kDispatch) {
    {
      // Only a deferred close is this thread's to release; any other is its closer's.
      std::lock_guard guard(ThreadBook);
      ReleaseOnThreadExit = ClosePending_.load();
    }
    if (ReleaseOnThreadExit) ReleasePort();
  }
  std::function<void()> whenEnded;
  {
    std::lock_guard guard(ThreadBook);
    Alive[Index(kind)] = false;
    if (CountAlive() == 0) {
      ThreadsRunning_ = false;
      whenEnded = std::exchange(WhenThreadsEnded, nullptr);
    }
  }
  // The owner joins this thread before it frees the signal, so it is still there.
  platform::SetEvent(ThreadEndedSignal);
  if (whenEnded) whenEnded();
}

bool TSioBaseDispatcher::CallWhenThreadsEnded(std::function<void()> call) {
  std::lock_guard guard(ThreadBook);
  if (CountAlive() == 0) return false;
  WhenThreadsEnded = std::move(call);
  return true;
}

void TSioBaseDispatcher::AwaitThreadsEnded() {
  while (LiveThreadCount() > 0) {
    platform::PumpOneMessage();
    if (LiveThreadCount() == 0) return;
    platform::MsgWaitForMultipleObjects(1, &ThreadEndedSignal, platform::kInfinite);
  }
}

void TSioBaseDispatcher::AwaitOtherThreads() {
  if (!IsWorkerThread()) {
    AwaitThreadsEnded();
    DropThreads();
    return;
  }
  // The owner drops the thread objects only once every thread has ended, this one included,
  // so they stay while this thread joins the others.
  std::array<platform::Thread*, 3> others{};
  {
    std::lock_guard guard(ThreadBook);
    for (size_t i = 0; i < Threads.size(); ++i) {
      if (Threads[i] && !Threads[i]->IsCurrent()) others[i] = Threads[i].get();
    }
  }
  for (platform::Thread* thread : others) {
    if (thread != nullptr) thread->Join();
  }
}

void TSioBaseDispatcher::DropThreads() {
  std::array<std::unique_ptr<platform::Thread>, 3> ended;
  {
    std::lock_guard guard(ThreadBook);
    ended.swap(Threads);
  }
  // Destroying a thread object joins it.
}

void TSioBaseDispatcher::DonePort() {
  FlushOutput();
  FlushInput();
  PortOpen = false;
  if (DeviceHandle != nullptr) CloseDevice();
  {
    // Deferred only when the caller may be running inside the delivery (a handler of a
    // message the dispatch thread sent), which waiting for the thread would block. Any other
    // caller releases the port itself, the delivery ending while it waits.
    std::lock_guard guard(ThreadBook);
    if (InDispatch_ && Alive[Index(ThreadKind::kDispatch)] && platform::InSendMessage()) {
      ClosePending_ = true;  // the dispatch thread sees it at the latest as its delivery ends
      return;
    }
  }
  ReleasePort();
}

// The rings are freed after DataLock is given up, under InputLock and OutputLock, keeping the
// lock order (a reader may hold InputLock and want DataLock for its trace entry).
void TSioBaseDispatcher::ReleasePort() {
  {
    platform::Lock data(DataLock);
    ReleaseOnThreadExit = false;
    if (ThreadsRunning_) StopThreads();
  }
  platform::Lock in(InputLock);
  platform::Lock out(OutputLock);
  InRing.clear();
  InRing.shrink_to_fit();
  OutRing.clear();
  OutRing.shrink_to_fit();
}

void TSioBaseDispatcher::Destroy() {
  // A deferred close is the dispatch thread's to release; otherwise close here.
  if (!ClosePending_) DonePort();
  AwaitThreadsEnded();
  DropThreads();
  CloseSignals();
}

}  // namespace sio
