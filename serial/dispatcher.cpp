#include "serial/dispatcher.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/system_error.h"
#include "serial/dispatcher_registry.h"
#include "serial/error_strings.h"

namespace sio {

TSioBaseDispatcher::TSioBaseDispatcher(TComponent* owner) : Owner_(owner) {
  DispatcherHandle_ = DispatcherRegistry::Instance().Register(this);
}

TSioBaseDispatcher::~TSioBaseDispatcher() {
  // A concrete dispatcher has already closed its device and joined its threads.
  platform::CloseHandle(ThreadEndedSignal);
  DispatcherRegistry::Instance().Unregister(DispatcherHandle_);
}

int32_t TSioBaseDispatcher::InitPort(const std::string& portName, uint32_t baud, uint8_t parity,
                                     uint8_t dataBits, uint8_t stopBits, uint16_t inSize,
                                     uint16_t outSize, uint8_t options) {
  InDispatch_ = false;
  HandlersDeleted = false;
  RingEventSeen = false;
  if (!CreateSignals()) {
    DonePort();
    return kErrOutOfMemory;
  }
  if (const int32_t opened = OpenDevice(portName, inSize, outSize); opened < 0) {
    const int32_t result =
        opened == kErrOutOfMemory ? kErrOutOfMemory
                                  : -static_cast<int32_t>(platform::GetLastError());
    DonePort();
    return result;
  }
  PortOpen = true;
  if (!SetupQueues(inSize, outSize)) {
    const int32_t result = -static_cast<int32_t>(platform::GetLastError());
    DonePort();
    return result;
  }
  {
    platform::Lock in(InputLock);
    platform::Lock out(OutputLock);
    InRing.assign(kInRingSize, 0);
    OutRing.assign(outSize, 0);
    OutHead = OutTail = 0;
    OutRingFull = false;
    InQueueSize = inSize;
    OutQueueSize = outSize;
    InRingFull = false;
    TakenCount = 0;
  }
  LineErrorBits = 0;
  OutputSent = false;
  ClosePending_ = false;
  RS485Active = false;
  GetDeviceState(Dcb);
  DtrByFlow = (options & kOptDtrByFlow) != 0;
  if (!DtrByFlow) SetDTR((options & kOptDtrOn) != 0);
  RtsByFlow = (options & kOptRtsByFlow) != 0;
  if (!RtsByFlow) SetRTS((options & kOptRtsOn) != 0);
  ScanPos = 0;
  ClearAllTriggers();
  InHead = 0;
  InTail = 0;
  AvailAnnounced = true;
  ResetStatusHits();
  InAvailDispatch = false;
  ModemState = 0;
  ReadModemStatus(0xF0);
  CurrentBaud = 115200;
  if (const int32_t result = SetLine(baud, parity, dataBits, stopBits); result != 0) {
    DonePort();
    return result;
  }
  RefreshLineErrors();
  ResetRecorders();
  StartThreads();
  return kOk;
}

bool TSioBaseDispatcher::CreateSignals() {
  DeviceEventSignal = platform::CreateEvent(false, false);
  PassDoneSignal = platform::CreateEvent(false, false);
  ThreadAckSignal = platform::CreateEvent(false, false);
  OutputReadySignal = platform::CreateEvent(false, false);
  WriteDoneSignal = platform::CreateEvent(true, false);
  OutputFlushSignal = platform::CreateEvent(false, false);
  ReadyOrFlush[0] = OutputReadySignal;
  ReadyOrFlush[1] = OutputFlushSignal;
  WriteDoneOrFlush[0] = WriteDoneSignal;
  WriteDoneOrFlush[1] = OutputFlushSignal;
  return DeviceEventSignal && PassDoneSignal && ThreadAckSignal && OutputReadySignal &&
         WriteDoneSignal && OutputFlushSignal;
}

void TSioBaseDispatcher::CloseSignals() {
  for (platform::Handle* signal : {&DeviceEventSignal, &PassDoneSignal, &ThreadAckSignal,
                                   &OutputReadySignal, &WriteDoneSignal, &OutputFlushSignal}) {
    if (*signal != nullptr && platform::CloseHandle(*signal)) *signal = nullptr;
  }
}

int32_t TSioBaseDispatcher::ResizeQueues(uint16_t inSize, uint16_t outSize) {
  return SetupQueues(inSize, outSize) ? kOk : -static_cast<int32_t>(platform::GetLastError());
}

uint32_t TSioBaseDispatcher::RingCount() const {
  if (InTail == InHead) return InRingFull ? kInRingSize : 0;
  if (InTail < InHead) return InHead - InTail;
  return InHead + kInRingSize - InTail;
}

bool TSioBaseDispatcher::ReadIntoBuffer() {
  platform::Lock in(InputLock);
  if (InRingFull) return true;
  RefreshLineErrors();
  uint32_t waiting;
  {
    platform::Lock out(OutputLock);
    waiting = DeviceStatus.cbInQue;
  }
  if (waiting == 0 || InRing.empty()) return false;
  const uint32_t head = InHead;
  uint32_t room, firstPiece;
  if (InTail == head) {
    room = kInRingSize;
    firstPiece = kInRingSize - head;
  } else if (InTail < head) {
    room = InTail + kInRingSize - head;
    firstPiece = kInRingSize - head;
  } else {
    room = firstPiece = InTail - head;
  }
  // Fewer unscanned bytes than the ring holds: a whole ring of them would put InHead back on
  // ScanPos, and they would look like none, never scanned or announced.
  const uint32_t unscanned = (head + kInRingSize - ScanPos) % kInRingSize;
  const uint32_t take = std::min({room, waiting, kInRingSize - 1 - unscanned});
  if (take == 0) return true;
  const uint32_t firstRead = std::min(firstPiece, take);
  uint32_t secondPiece = take - firstRead;
  int32_t n = ReadCom(InRing.data() + head, firstRead);
  if (n < 0) {
    n = 0;
    ClearDeviceEvents(-1);
  }
  AddDispatchEntry(1, 1, static_cast<uint32_t>(n), InRing.data() + head, static_cast<uint32_t>(n));
  uint32_t newHead = head + static_cast<uint32_t>(n);
  if (static_cast<uint32_t>(n) < firstRead) secondPiece = 0;
  if (newHead == kInRingSize) newHead = 0;
  InHead = newHead;
  if (n > 0) InRingFull = newHead == InTail;
  if (secondPiece > 0) {
    int32_t m = ReadCom(InRing.data() + newHead, secondPiece);
    if (m < 0) {
      ClearDeviceEvents(-1);
      m = -m;
    }
    AddDispatchEntry(1, 1, static_cast<uint32_t>(m), InRing.data() + newHead,
                     static_cast<uint32_t>(m));
    InHead = newHead + static_cast<uint32_t>(m);
    InRingFull = InHead == InTail;
  }
  return true;
}

int32_t TSioBaseDispatcher::CharAt(uint32_t n, uint8_t& ch) const {
  if (n == 0 || RingCount() < n) return kErrBufferIsEmpty;
  ch = InRing[(InTail + n - 1) % kInRingSize];
  return kOk;
}

int32_t TSioBaseDispatcher::PeekChar(uint8_t& ch, uint32_t n) {
  if (!PortOpen) return kErrCommNotOpen;
  platform::Lock in(InputLock);
  return CharAt(n, ch);
}

// Called for every received byte: InputLock is taken once.
int32_t TSioBaseDispatcher::GetChar(uint8_t& ch) {
  if (!PortOpen) return kErrCommNotOpen;
  platform::Lock in(InputLock);
  if (InAvailDispatch) {
    ++TakenCount;
    if (const int32_t r = CharAt(TakenCount, ch); r != kOk) {
      --TakenCount;
      return r;
    }
  } else {
    if (const int32_t r = CharAt(1, ch); r != kOk) return r;
    InTail = (InTail + 1) % kInRingSize;
    InRingFull = false;
  }
  AddTraceEntry('R', ch);
  return kOk;
}

uint32_t TSioBaseDispatcher::InCount() {
  if (!PortOpen) return 0;
  platform::Lock in(InputLock);
  const uint32_t count = RingCount();
  return InAvailDispatch ? count - std::min(count, TakenCount) : count;
}

int32_t TSioBaseDispatcher::FlushInput() {
  if (!PortOpen) return kErrCommNotOpen;
  const int32_t result = PurgeQueue(1);
  {
    platform::Lock in(InputLock);
    if (InAvailDispatch) {
      MaxTakenCount = RingCount();
    } else {
      InTail = InHead;
      TakenCount = 0;
    }
    InRingFull = false;
  }
  ResetDataMatchers();
  return result;
}

int32_t TSioBaseDispatcher::FlushOutput() { return PortOpen ? PurgeQueue(0) : kErrCommNotOpen; }

uint32_t TSioBaseDispatcher::ReadDeviceStatus() {
  platform::Lock out(OutputLock);
  return ReadComErrors(DeviceStatus);
}

int32_t TSioBaseDispatcher::PutBlock(const uint8_t* data, uint32_t length) {
  if (length == 0) return kOk;
  if (!PortOpen) return kErrCommNotOpen;
  int32_t result = kOk;
  int32_t accepted;
  {
    platform::Lock out(OutputLock);
    LineErrorBits = ReadDeviceStatus();
    const uint32_t free = OutQueueSize - DeviceStatus.cbOutQue;
    if (length > free) return kErrOutputBufferTooSmall;
    if (length == free) OutRingFull = true;
    accepted = WriteCom(data, length);
    if (accepted <= 0) {
      accepted = -accepted;
      result = kErrPutBlockFail;
      LineErrorBits = ReadDeviceStatus();
    }
    OutputSent = true;
  }
  const auto n = static_cast<uint32_t>(accepted);
  AddDispatchEntry(1, 2, n, data, n);
  for (uint32_t i = 0; i < n; ++i) AddTraceEntry('T', data[i]);
  return result;
}

uint32_t TSioBaseDispatcher::OutCount() {
  if (!PortOpen) return 0;
  platform::Lock out(OutputLock);
  RefreshLineErrors();
  return DeviceStatus.cbOutQue;
}

uint32_t TSioBaseDispatcher::OutFree() {
  if (!PortOpen) return 0;
  platform::Lock out(OutputLock);
  return OutQueueSize - OutCount();
}

}  // namespace sio
