#include "serial/dispatcher_threads.h"

#include "platform/serial_api.h"
#include "platform/system_error.h"
#include "serial/exception_handler.h"
#include "serial/exceptions.h"
#include "serial/win32_dispatcher.h"

namespace sio {

namespace {

constexpr uint32_t kComEventMask = 0x01F9;  // RXCHAR, CTS, DSR, RLSD, BREAK, ERR, RING
constexpr uint32_t kDispatchCycleMs = 50;

// Reads return at once with what the driver holds; writes have no time-out.
platform::COMMTIMEOUTS ImmediateReadTimeouts() {
  platform::COMMTIMEOUTS t;
  t.ReadIntervalTimeout = 0xFFFFFFFF;
  return t;
}

}  // namespace

std::shared_ptr<platform::Thread> TSioDispatcherThread::Start(std::unique_ptr<TSioDispatcherThread> thread) {
  TSioDispatcherThread* self = thread.release();
  return platform::Thread::Start([self] {
    self->Run();
    delete self;
  });
}

void TSioDispatcherThread::Run() {
  ++dispatcher_.ThreadCount;
  try {
    Execute();
  } catch (const std::exception& error) {
    HandleException(error);
  }
  if (kind_ == ThreadKind::kDispatch) {
    dispatcher_.ReleaseOnThreadExit = dispatcher_.ClosePending_ || dispatcher_.KillThreadsFlag;
  }
  dispatcher_.ThreadEnded(kind_);
}

void TComThread::Execute() {
  TSioWin32Dispatcher& d = dispatcher_;
  platform::OVERLAPPED overlapped;
  overlapped.hEvent = platform::CreateEvent(true, false);
  platform::SetCommMask(d.DeviceHandle, kComEventMask);
  platform::SetCommTimeouts(d.DeviceHandle, ImmediateReadTimeouts());
  platform::SetEvent(d.ThreadAckSignal);
  auto end = [&] {
    platform::SetEvent(d.ThreadAckSignal);
    platform::CloseHandle(overlapped.hEvent);
  };
  for (;;) {
    uint32_t mask = 0;
    const bool completed = d.WaitDeviceEvent(mask, overlapped);
    const uint32_t error = completed ? platform::kErrorSuccess : platform::GetLastError();
    if (!completed && error != platform::kErrorIoPending) {
      // A wait that fails at once is handed over like an event; a device that keeps failing
      // (unplugged) would otherwise keep this thread and the dispatch thread busy: the next
      // attempt comes one dispatch cycle later.
      platform::WaitForSingleObject(d.PassDoneSignal, kDispatchCycleMs);
    }
    if (error == platform::kErrorIoPending) {
      uint32_t unused = 0;
      if (!platform::GetOverlappedResult(d.DeviceHandle, overlapped, unused, true)) {
        // The wait cannot complete (the device is gone or closed): this thread ends and the
        // dispatch thread goes on polling.
        end();
        return;
      }
      if (mask & platform::kEvRing) d.RingEventSeen = true;
      platform::ResetEvent(overlapped.hEvent);
    }
    d.DeviceEventMask = mask;
    if (d.KillThreadsFlag) return end();
    platform::SetEvent(d.DeviceEventSignal);
    platform::WaitForSingleObject(d.PassDoneSignal, platform::kInfinite);
    if (d.KillThreadsFlag) return end();
  }
}

void TDispThread::Execute() {
  TSioWin32Dispatcher& d = dispatcher_;
  platform::SetEvent(d.ThreadAckSignal);
  for (;;) {
    platform::WaitForSingleObject(d.DeviceEventSignal, kDispatchCycleMs);
    if (d.KillThreadsFlag) return;
    d.EventPass();
    d.IdlePass();
    if (d.KillThreadsFlag || d.ClosePending_) break;
  }
  platform::SetEvent(d.ThreadAckSignal);
}

void TOutThread::Execute() {
  TSioWin32Dispatcher& d = dispatcher_;
  platform::SetEvent(d.ThreadAckSignal);
  do {
    const uint32_t woke = platform::WaitForMultipleObjects(2, d.ReadyOrFlush, platform::kInfinite);
    if (woke == platform::kWaitObject0) {
      if (d.KillThreadsFlag) return;
      d.WriteStep();
    } else {
      platform::SetEvent(d.ThreadAckSignal);
    }
  } while (!d.KillThreadsFlag && !d.ClosePending_);
}

// --- Start, stop and the end of a thread ---------------------------------------------------

void TSioWin32Dispatcher::StartThreads() {
  platform::Lock lock(DataLock);
  if (ThreadsRunning_) throw Exception("Dispatcher already started");
  ThreadsRunning_ = true;
  KillThreadsFlag = false;
  StartThread(std::make_unique<TComThread>(*this), ComThread);
  StartThread(std::make_unique<TDispThread>(*this), DispThread);
  StartThread(std::make_unique<TOutThread>(*this), OutThread);
}

void TSioWin32Dispatcher::StartThread(std::unique_ptr<TSioDispatcherThread> thread,
                                      std::shared_ptr<platform::Thread>& reference) {
  {
    // Held while the reference is stored, so a thread that ends at once finds it.
    std::lock_guard guard(ThreadBook);
    reference = TSioDispatcherThread::Start(std::move(thread));
  }
  platform::WaitForSingleObject(ThreadAckSignal, kThreadAckTimeoutMs);
}

// Processes the calling thread's messages until the thread is gone or `ticks` expired.
bool TSioWin32Dispatcher::AwaitThreadEnd(const std::shared_ptr<platform::Thread>& reference,
                                         int32_t ticks) {
  platform::TTickTimer timer;
  platform::SetTickTimer(timer, ticks);
  while (ThreadExists(reference)) {
    if (ticks > 0 && platform::TickTimerExpired(timer)) return false;
    platform::PumpOneMessage();
    platform::Sleep(1);
  }
  return true;
}

void TSioWin32Dispatcher::StopThreads() {
  platform::Lock lock(DataLock);
  if (!ThreadsRunning_) return;
  KillThreadsFlag = true;
  if (ThreadExists(OutThread)) {
    platform::SetEvent(OutputFlushSignal);
    AwaitThreadEnd(OutThread, 0);
  }
  if (ThreadExists(ComThread)) {
    platform::SetCommMask(DeviceHandle, 0);
    platform::SetEvent(PassDoneSignal);
    platform::ResetEvent(ThreadAckSignal);
    AwaitThreadEnd(ComThread, 0);
  }
  if (ThreadExists(DispThread)) {
    // The dispatch thread takes DataLock in its passes: give it up while waiting, so the
    // thread can finish its pass and see the kill flag. Nothing is freed before it is gone.
    const int depth = DataLock.LeaveAll();
    if (!AwaitThreadEnd(DispThread, kStopWaitTicks)) {
      platform::SetEvent(DeviceEventSignal);
      if (!AwaitThreadEnd(DispThread, kStopWaitTicks)) AwaitThreadEnd(DispThread, 0);
    }
    DataLock.ReEnter(depth);
  }
  CloseSignals();
}

bool TSioWin32Dispatcher::OutputThreadExists() { return ThreadExists(OutThread); }

}  // namespace sio
