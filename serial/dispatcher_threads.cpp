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

bool TSioDispatcherThread::Start(std::unique_ptr<TSioDispatcherThread> thread) {
  TSioWin32Dispatcher& dispatcher = thread->dispatcher_;
  const ThreadKind kind = thread->kind_;
  std::shared_ptr<TSioDispatcherThread> body(std::move(thread));
  return dispatcher.StartThread(kind, [body] { body->Run(); });
}

void TSioDispatcherThread::Run() {
  try {
    Execute();
  } catch (const std::exception& error) {
    HandleException(error);
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
  DropThreads();  // those of an earlier opening, ended
  KillThreadsFlag = false;
  StartAcknowledged(std::make_unique<TComThread>(*this));
  StartAcknowledged(std::make_unique<TDispThread>(*this));
  StartAcknowledged(std::make_unique<TOutThread>(*this));
}

void TSioWin32Dispatcher::StartAcknowledged(std::unique_ptr<TSioDispatcherThread> thread) {
  if (TSioDispatcherThread::Start(std::move(thread))) {
    platform::WaitForSingleObject(ThreadAckSignal, kThreadAckTimeoutMs);
  }
}

// Every thread is told at once; the dispatch thread need not sit out its 50 ms wait. DataLock
// is given up while waiting, because the dispatch thread takes it in its passes.
void TSioWin32Dispatcher::StopThreads() {
  platform::Lock lock(DataLock);
  if (!ThreadsRunning_) return;
  KillThreadsFlag = true;
  platform::SetEvent(OutputFlushSignal);
  platform::SetCommMask(DeviceHandle, 0);
  platform::SetEvent(PassDoneSignal);
  platform::SetEvent(DeviceEventSignal);
  const int depth = DataLock.LeaveAll();
  AwaitOtherThreads();
  DataLock.ReEnter(depth);
  CloseReadEvent();
  CloseSignals();
}

bool TSioWin32Dispatcher::OutputThreadExists() { return ThreadAlive(ThreadKind::kOutput); }

}  // namespace sio
