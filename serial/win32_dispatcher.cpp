#include "serial/win32_dispatcher.h"

#include <algorithm>
#include <cstring>

#include "platform/system_error.h"
#include "serial/error_strings.h"

namespace sio {

namespace {

// Modem events (CTS, DSR, RLSD, ring, ring trailing edge) and line events (break, error).
constexpr uint32_t kModemEvents = 0x2138;
constexpr uint32_t kLineEvents = 0x00C0;

}  // namespace

TSioWin32Dispatcher::TSioWin32Dispatcher(TComponent* owner) : TSioBaseDispatcher(owner) {}

TSioWin32Dispatcher::~TSioWin32Dispatcher() {
  Destroy();
  CloseReadEvent();  // left when the threads had all ended by themselves before the close
}

int32_t TSioWin32Dispatcher::EscapeCom(uint32_t function) {
  // The result is not examined: a device without modem lines (a pseudo-terminal) refuses,
  // and that must not fail the open.
  platform::EscapeCommFunction(DeviceHandle, function);
  return kOk;
}

int32_t TSioWin32Dispatcher::PurgeQueue(uint32_t queue) {
  bool purged;
  if (queue == 0 && OutputThreadExists()) {
    platform::SetEvent(OutputFlushSignal);
    platform::WaitForSingleObject(ThreadAckSignal, 5000);
    platform::Lock out(OutputLock);
    OutRingFull = false;
    OutHead = OutTail = 0;
    purged = platform::PurgeComm(DeviceHandle, platform::kPurgeTxAbort | platform::kPurgeTxClear);
  } else {
    purged = platform::PurgeComm(DeviceHandle, platform::kPurgeRxAbort | platform::kPurgeRxClear);
  }
  return purged ? kOk : -static_cast<int32_t>(platform::GetLastError());
}

uint32_t TSioWin32Dispatcher::ReadComErrors(platform::COMSTAT& status) {
  uint32_t errors = 0;
  if (!platform::ClearCommError(DeviceHandle, errors, status)) errors = 0;
  platform::Lock out(OutputLock);
  if (OutRingFull) {
    status.cbOutQue = OutQueueSize;
  } else if (OutTail < OutHead) {
    status.cbOutQue = OutHead - OutTail;
  } else if (OutHead < OutTail) {
    status.cbOutQue = OutQueueSize + OutHead - OutTail;
  } else {
    status.cbOutQue = 0;
  }
  return errors;
}

int32_t TSioWin32Dispatcher::ClearDeviceEvents(int32_t) { return kOk; }

int32_t TSioWin32Dispatcher::GetDeviceState(platform::DCB& dcb) {
  return platform::GetCommState(DeviceHandle, dcb) ? kOk : -1;
}

int32_t TSioWin32Dispatcher::ReadCom(uint8_t* buffer, uint32_t count) {
  uint32_t read = 0;
  if (platform::ReadFile(DeviceHandle, buffer, count, read, ReadOverlapped)) {
    return static_cast<int32_t>(read);
  }
  if (platform::GetLastError() != platform::kErrorIoPending) return 0;
  if (!platform::GetOverlappedResult(DeviceHandle, ReadOverlapped, read, true)) return 0;
  platform::ResetEvent(ReadOverlapped.hEvent);
  return static_cast<int32_t>(read);
}

int32_t TSioWin32Dispatcher::SetDeviceState(const platform::DCB& dcb) {
  return platform::SetCommState(DeviceHandle, dcb) ? kOk
                                                   : -static_cast<int32_t>(platform::GetLastError());
}

// Copies the bytes into the output ring (the caller made sure they fit) and wakes the
// output thread.
int32_t TSioWin32Dispatcher::WriteCom(const uint8_t* buffer, uint32_t count) {
  {
    platform::Lock out(OutputLock);
    const uint32_t room = OutQueueSize - OutHead;
    if (room >= count) {
      std::memcpy(OutRing.data() + OutHead, buffer, count);
      OutHead = room == count ? 0 : OutHead + count;
    } else {
      std::memcpy(OutRing.data() + OutHead, buffer, room);
      std::memcpy(OutRing.data(), buffer + room, count - room);
      OutHead = count - room;
    }
  }
  platform::SetEvent(OutputReadySignal);
  return static_cast<int32_t>(count);
}

bool TSioWin32Dispatcher::WaitDeviceEvent(uint32_t& mask, platform::OVERLAPPED& overlapped) {
  return platform::WaitCommEvent(DeviceHandle, mask, overlapped);
}

bool TSioWin32Dispatcher::SetupQueues(uint32_t inSize, uint32_t outSize) {
  return platform::SetupComm(DeviceHandle, inSize, outSize);
}

int32_t TSioWin32Dispatcher::OpenDevice(const std::string& name, uint32_t, uint32_t) {
  const platform::SerialHandle device = platform::CreateFileA(name);
  if (device == nullptr) return -1;
  CloseReadEvent();
  ReadOverlapped = {};
  ReadOverlapped.hEvent = platform::CreateEvent(true, false);
  if (ReadOverlapped.hEvent == nullptr) {
    platform::CloseHandle(device);
    return kErrOutOfMemory;
  }
  DeviceHandle = device;
  return kOk;
}

void TSioWin32Dispatcher::CloseReadEvent() {
  if (ReadOverlapped.hEvent != nullptr) {
    platform::CloseHandle(ReadOverlapped.hEvent);
    ReadOverlapped.hEvent = nullptr;
  }
}

// With the threads running, the dispatch thread may be reading: the read event is then
// closed by StopThreads, once the threads have ended.
int32_t TSioWin32Dispatcher::CloseDevice() {
  if (ThreadsRunning_) {
    KillThreadsFlag = true;
    platform::SetCommMask(DeviceHandle, 0);
    platform::SetEvent(PassDoneSignal);
    platform::ResetEvent(ThreadAckSignal);
  } else {
    CloseReadEvent();
  }
  if (!platform::CloseHandle(DeviceHandle)) return -1;
  DeviceHandle = nullptr;
  return kOk;
}

int32_t TSioWin32Dispatcher::ProcessDevice() {
  platform::Sleep(0);
  return kOk;
}

// --- Passes of the dispatch thread ---------------------------------------------------------

// Runs the status triggers while they fire; false when a close became pending.
bool TSioWin32Dispatcher::RunStatusTriggers() {
  while (CheckStatusTriggers()) {
    if (ClosePending_) return false;
  }
  return !ClosePending_;
}

void TSioWin32Dispatcher::EventPass() {
  const uint32_t mask = DeviceEventMask;
  if (mask & kModemEvents) {
    UpdateModemDeltas();
    if (!InDispatch_) {
      if (!RunStatusTriggers()) return;
      if (StatusHitThisPass) ResetStatusHits();
    }
  }
  if (mask & kLineEvents) {
    RefreshLineErrors();
    if (!InDispatch_) {
      if (!RunStatusTriggers()) return;
      if (StatusHitThisPass) ResetStatusHits();
    }
  }
  ReadIntoBuffer();
  if (!InDispatch_) {
    ModemState = GetModemStatus();
    if (!RunStatusTriggers()) return;
    while (CheckReceivedData()) {
      if (ClosePending_) return;
    }
    if (ClosePending_) return;
  }
  if (StatusHitThisPass) ResetStatusHits();
  platform::SetEvent(PassDoneSignal);
}

void TSioWin32Dispatcher::IdlePass() {
  if (ClosePending_ || InDispatch_) return;
  StatusHitThisPass = false;
  while (CheckStatusTriggers() || CheckTimerTriggers()) {
    if (ClosePending_) return;
  }
  if (StatusHitThisPass) ResetStatusHits();
}

// --- Write step of the output thread -------------------------------------------------------

bool TSioWin32Dispatcher::OutputPending() {
  platform::Lock out(OutputLock);
  return OutRingFull || OutHead != OutTail;
}

// Picks the contiguous chunk at OutTail, first making wrapped data contiguous so that all
// that is pending goes out in one write.
uint32_t TSioWin32Dispatcher::ChooseWriteChunk() {
  platform::Lock out(OutputLock);
  if (OutHead > OutTail) return OutHead - OutTail;
  if (OutHead == 0) return OutQueueSize - OutTail;
  const uint32_t count = OutQueueSize - OutTail + OutHead;
  std::vector<uint8_t> wrapped(OutRing.begin(), OutRing.begin() + OutHead);
  std::memmove(OutRing.data(), OutRing.data() + OutTail, OutQueueSize - OutTail);
  std::memcpy(OutRing.data() + (OutQueueSize - OutTail), wrapped.data(), wrapped.size());
  OutTail = 0;
  OutHead = count == OutQueueSize ? 0 : count;
  return count;
}

void TSioWin32Dispatcher::AdvanceOutput(uint32_t count) {
  platform::Lock out(OutputLock);
  OutTail += count;
  if (OutTail == OutQueueSize) OutTail = 0;
  if (OutTail == OutHead) OutHead = OutTail = 0;
  OutRingFull = false;
}

void TSioWin32Dispatcher::WriteStep() {
  platform::OVERLAPPED& overlapped = WriteOverlapped;
  overlapped.hEvent = WriteDoneSignal;
  while (OutputPending()) {
    const uint32_t count = ChooseWriteChunk();
    uint32_t written = 0;
    const uint8_t* chunk;
    {
      platform::Lock out(OutputLock);
      chunk = OutRing.data() + OutTail;
    }
    if (platform::WriteFile(DeviceHandle, chunk, count, written, overlapped)) {
      AdvanceOutput(written);
      continue;
    }
    if (platform::GetLastError() != platform::kErrorIoPending) {
      AdvanceOutput(count);  // the device refused the chunk: it is dropped
      continue;
    }
    const uint32_t woke = platform::WaitForMultipleObjects(2, WriteDoneOrFlush, platform::kInfinite);
    if (woke != platform::kWaitObject0) {
      platform::SetEvent(ThreadAckSignal);  // the purge that asked for the flush takes over
      return;
    }
    if (platform::GetOverlappedResult(DeviceHandle, overlapped, written, false)) {
      platform::Lock out(OutputLock);
      AdvanceOutput(written);
      platform::ResetEvent(WriteDoneSignal);
    }
  }
}

}  // namespace sio
