#pragma once
// The device-independent heart of the serial component: one dispatcher per open port owns the
// input and output rings, the line settings, the triggers and handler lists and the recorders.
// Every operation returns 0 (or a count) on success or a negative error code; nothing throws.
// A concrete dispatcher supplies the device operations and the worker threads.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/serial_api.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "serial/dispatch_log.h"
#include "serial/trace_recorder.h"
#include "serial/trigger_records.h"

namespace sio {

class TComponent;

constexpr uint32_t kInRingSize = 8192;

// InitPort option bits.
enum : uint8_t {
  kOptDtrOn = 0x01,
  kOptRtsOn = 0x02,
  kOptDtrByFlow = 0x10,
  kOptRtsByFlow = 0x20,
};

// Hardware flow options (SetHardwareFlow) and software flow options (SetSoftwareFlow).
constexpr uint32_t kHwDtrHandshake = 0x01;
constexpr uint32_t kHwRtsHandshake = 0x02;
constexpr uint32_t kHwRequireDsr = 0x04;
constexpr uint32_t kHwRequireCts = 0x08;
constexpr uint32_t kSwObeyXoff = 0x01;   // transmit side: obey a received Xoff
constexpr uint32_t kSwSendXoff = 0x02;   // receive side: send Xoff when the input fills

// Keep-values of SetLine.
constexpr uint32_t kKeepBaud = 0;
constexpr uint8_t kKeepParity = 5;
constexpr uint8_t kKeepDataBits = 9;
constexpr uint8_t kKeepStopBits = 3;

enum class ThreadKind { kCom, kDispatch, kOutput };

class TSioBaseDispatcher {
 public:
  explicit TSioBaseDispatcher(TComponent* owner);
  virtual ~TSioBaseDispatcher();
  TSioBaseDispatcher(const TSioBaseDispatcher&) = delete;
  TSioBaseDispatcher& operator=(const TSioBaseDispatcher&) = delete;

  TComponent* Owner() const { return Owner_; }
  int32_t DispatcherHandle() const { return DispatcherHandle_; }
  bool InDispatch() const { return InDispatch_; }
  bool ThreadsRunning() const { return ThreadsRunning_; }
  bool ClosePending() const { return ClosePending_; }
  void SetLogDeviceName(const std::string& name);

  // Opening and closing. The data operations below answer -2007 (and the counts 0) from the
  // start of DonePort on, until the next InitPort opens a device.
  int32_t InitPort(const std::string& portName, uint32_t baud, uint8_t parity, uint8_t dataBits,
                   uint8_t stopBits, uint16_t inSize, uint16_t outSize, uint8_t options);
  // Closes the device; the threads are stopped and the rings freed by exactly one party: the
  // caller, or, while a delivery runs (ClosePending then reads true), the dispatch thread as
  // it ends. Either way the caller touches neither the events nor the rings afterwards.
  void DonePort();
  // Handles the calling thread's messages until every worker thread has ended, sleeping in
  // between until one ends or a message arrives.
  void AwaitThreadsEnded();
  // While worker threads run: `call` is kept and runs once, on the thread that ends last,
  // replacing an earlier one; true. Otherwise false, and `call` is dropped.
  bool CallWhenThreadsEnded(std::function<void()> call);
  int32_t ResizeQueues(uint16_t inSize, uint16_t outSize);

  // Received and sent bytes.
  int32_t GetChar(uint8_t& ch);
  int32_t PeekChar(uint8_t& ch, uint32_t n);
  int32_t PutBlock(const uint8_t* data, uint32_t length);
  uint32_t InCount();
  uint32_t OutCount();
  uint32_t OutFree();
  int32_t FlushInput();
  int32_t FlushOutput();
  void SetOptionFlags(uint32_t mask) { OptionFlags_ |= mask; }
  void ClearOptionFlags(uint32_t mask) { OptionFlags_ &= ~mask; }
  uint32_t OptionFlags() const { return OptionFlags_; }

  // Line control.
  int32_t SetLine(uint32_t baud, uint8_t parity, uint8_t dataBits, uint8_t stopBits);
  void GetLine(uint32_t& baud, uint16_t& parity, uint8_t& dataBits, uint8_t& stopBits);
  int32_t SetDTR(bool on);
  int32_t SetRTS(bool on);
  int32_t SetHardwareFlow(uint32_t bufferFull, uint32_t bufferResume, uint32_t options);
  int32_t SetSoftwareFlow(uint32_t bufferFull, uint32_t bufferResume, uint32_t options);
  int32_t SoftwareFlowOff();
  int32_t SetFlowChars(char xOn, char xOff);
  void GetFlowOptions(uint32_t& hw, uint32_t& sw, char& xOn, char& xOff);
  int32_t GetLineError();
  bool CheckLineBreak();
  uint8_t GetModemStatus() { return ReadModemStatus(0xF0); }
  uint8_t ReadModemStatus(uint8_t clearMask);
  void UpdateModemDeltas();
  void RefreshLineErrors();
  void SetRS485Mode(bool on);
  virtual void ApplyThreadBoost(uint8_t boost);
  static uint32_t BaudFromCode(uint32_t code);

  // Triggers and handlers.
  void SetAvailLength(uint32_t length);
  void RegisterWindowHandler(platform::HWND window);
  void DeregisterWindowHandler(platform::HWND window);
  virtual void UpdateHandlerFlags(int kind);
  void SaveTriggers(TSavedTriggers& saved);
  void RestoreTriggers(const TSavedTriggers& saved);
  static void FreeSavedTriggers(TSavedTriggers& saved);
  static uint32_t StatusTriggerKind(uint32_t handle) { return handle & 7; }
  // Trigger management: a handle (>= 0) or -5001 (no more slots), -5002 (match string too
  // long), -1002 (bad argument), -5003 (unknown handle).
  int32_t AddDataTrigger(const uint8_t* matchString, uint32_t length, bool ignoreCase);
  int32_t AddTimerTrigger();
  int32_t SetTimerTrigger(uint16_t handle, int32_t ticks, bool arm);
  int32_t AddStatusTrigger(uint32_t kind);
  int32_t SetStatusTrigger(uint16_t handle, uint16_t value, bool arm);
  int32_t RemoveTrigger(uint16_t handle);

  // Trace and dispatch log.
  int32_t InitTracing(uint32_t size);
  void StartTracing();
  void StopTracing();
  int32_t ClearTracing();
  void AbortTracing();
  int32_t DumpTrace(const std::string& fileName, bool inHex, bool allHex);
  int32_t AppendTrace(const std::string& fileName, bool inHex, bool allHex);
  int32_t InitDispatchLog(uint32_t size);
  void StartDispatchLog();
  void StopDispatchLog();
  int32_t ClearDispatchLog();
  void AbortDispatchLog();
  int32_t DumpDispatchLog(const std::string& fileName, bool inHex, bool allHex);
  int32_t AppendDispatchLog(const std::string& fileName, bool inHex, bool allHex);

  // Passes of the dispatch thread: each returns true when it wants to be called again.
  bool ReadIntoBuffer();
  bool CheckReceivedData();
  bool CheckStatusTriggers();
  bool CheckTimerTriggers();
  void ResetStatusHits();
  // The last act of every worker thread.
  void ThreadEnded(ThreadKind kind);

  // Device operations of a concrete dispatcher.
  virtual int32_t EscapeCom(uint32_t function) = 0;
  virtual int32_t PurgeQueue(uint32_t queue) = 0;
  virtual uint32_t ReadComErrors(platform::COMSTAT& status) = 0;
  virtual int32_t ClearDeviceEvents(int32_t mask) = 0;
  virtual int32_t GetDeviceState(platform::DCB& dcb) = 0;
  virtual int32_t ReadCom(uint8_t* buffer, uint32_t count) = 0;
  virtual int32_t SetDeviceState(const platform::DCB& dcb) = 0;
  virtual int32_t WriteCom(const uint8_t* buffer, uint32_t count) = 0;
  virtual bool SetupQueues(uint32_t inSize, uint32_t outSize) = 0;
  virtual void ReleasePort();
  virtual void StartThreads() = 0;
  virtual void StopThreads() = 0;
  // 0 with DeviceHandle set, -1 (the last system error tells why) or -8 (no resources).
  virtual int32_t OpenDevice(const std::string& name, uint32_t inSize, uint32_t outSize) = 0;
  virtual int32_t CloseDevice() = 0;
  virtual int32_t ProcessDevice() = 0;

 protected:
  // Delivers one trigger event to every handler; false when the delivery ended early (close
  // pending) or an avail handler took fewer bytes than offered.
  bool NotifyHandlers(uint32_t msg, uint32_t trigger, uint32_t data);
  void ClearAllTriggers();
  void ResetDataMatchers();
  uint32_t RingCount() const;
  // Device status under OutputLock: the line errors since the last call; fills DeviceStatus.
  uint32_t ReadDeviceStatus();
  int32_t ApplyLineRecord(platform::DCB& dcb);
  void WaitForOutputDrain();
  bool CreateSignals();
  // Closes the six events, skipping those already closed.
  void CloseSignals();
  // The destruction sequence; a concrete dispatcher's destructor runs it while its device
  // operations still exist.
  void Destroy();
  void AddTraceEntry(uint8_t kind, uint8_t ch);
  void AddDispatchEntry(uint8_t type, uint8_t subType, uint32_t otherData, const uint8_t* data,
                        uint32_t dataLength);
  // Both recorders off without buffers, entry times counted from now.
  void ResetRecorders();
  void SetOutputThreadPriority(uint8_t level);
  int32_t LiveThreadCount();
  int32_t CountAlive() const;  // under ThreadBook
  bool ThreadAlive(ThreadKind kind);
  // A started thread is counted at once; false when the system cannot make it.
  bool StartThread(ThreadKind kind, std::function<void()> body);
  // The stopping party waits for the threads: a worker thread (the dispatch thread releasing
  // a deferred close) joins the others; the owning thread waits handling its messages, then
  // joins them all and drops them.
  void AwaitOtherThreads();
  // Joins and drops the threads of the last opening; all of them have ended.
  void DropThreads();
  bool IsWorkerThread();

  TComponent* const Owner_;
  int32_t DispatcherHandle_ = -1;
  std::atomic<platform::SerialHandle> DeviceHandle{nullptr};

  platform::CriticalSection DataLock;
  platform::CriticalSection OutputLock;
  platform::CriticalSection InputLock;

  // Line state (DataLock).
  platform::DCB Dcb;
  uint32_t CurrentBaud = 115200;
  std::atomic<uint32_t> OptionFlags_{0};
  bool DtrOn = true, DtrByFlow = false, RtsOn = true, RtsByFlow = false;
  bool RS485Active = false;
  uint8_t BoostLevel = 0;
  std::atomic<uint32_t> LineErrorBits{0};
  std::atomic<uint8_t> ModemState{0};
  platform::COMSTAT DeviceStatus;  // OutputLock
  uint32_t InQueueSize = 0;
  uint32_t OutQueueSize = 0;
  // From the device's opening to the start of DonePort: the data operations may run.
  std::atomic<bool> PortOpen{false};

  // Input ring (InputLock; InHead is written by the dispatch thread only).
  std::vector<uint8_t> InRing;
  std::atomic<uint32_t> InHead{0};
  uint32_t InTail = 0;
  bool InRingFull = false;
  bool InAvailDispatch = false;
  uint32_t TakenCount = 0;
  uint32_t MaxTakenCount = 0;

  // Output ring (OutputLock).
  std::vector<uint8_t> OutRing;
  uint32_t OutHead = 0;
  uint32_t OutTail = 0;
  bool OutRingFull = false;
  std::atomic<bool> OutputSent{false};

  // Triggers and handlers (DataLock, but for the dispatch thread's own scan positions).
  std::vector<TWindowHandler> WindowHandlers;
  std::vector<TTimerTrigger> TimerTriggers;
  std::vector<TDataTrigger> DataTriggers;
  std::vector<TStatusTrigger> StatusTriggers;
  std::atomic<uint32_t> AvailLength{0};
  uint32_t ScanPos = 0;
  // The bytes up to ScanPos were announced; cleared whenever ScanPos moves. (A position
  // remembered instead could not tell a whole ring of new bytes from none.)
  bool AvailAnnounced = true;
  std::atomic<bool> PortHandlerFlag{false};
  std::atomic<bool> HandlersPresent{false};
  bool HandlersDeleted = false;

  // The six events of the worker threads (created by InitPort, closed by StopThreads) and the
  // two pairs the output thread waits on.
  platform::Handle DeviceEventSignal = nullptr;
  platform::Handle PassDoneSignal = nullptr;
  platform::Handle ThreadAckSignal = nullptr;
  platform::Handle OutputReadySignal = nullptr;
  platform::Handle WriteDoneSignal = nullptr;
  platform::Handle OutputFlushSignal = nullptr;
  platform::Handle ReadyOrFlush[2] = {};
  platform::Handle WriteDoneOrFlush[2] = {};

  // Flags shared with the worker threads.
  std::atomic<bool> InDispatch_{false};
  std::atomic<bool> ClosePending_{false};
  std::atomic<bool> StatusHitThisPass{false};
  std::atomic<bool> RingEventSeen{false};
  std::atomic<bool> KillThreadsFlag{false};

  // The worker threads, under ThreadBook: each is marked alive from its start until its
  // ThreadEnded (the live count is derived from the marks); ThreadsRunning while any is. Who releases a closing port
  // is decided under ThreadBook too (DonePort, and the dispatch thread as it ends). The thread
  // objects stay until the owning thread joins them, so a thread never frees itself.
  std::mutex ThreadBook;
  std::atomic<bool> ThreadsRunning_{false};
  std::atomic<bool> ReleaseOnThreadExit{false};
  std::array<std::unique_ptr<platform::Thread>, 3> Threads;
  std::array<bool, 3> Alive{};
  std::function<void()> WhenThreadsEnded;
  // Set by every ThreadEnded; lives as long as the dispatcher.
  const platform::Handle ThreadEndedSignal = platform::CreateEvent(false, false);

 private:
  uint16_t NextTriggerHandle(uint32_t kind) const;
  bool TriggerHandleInUse(uint16_t handle) const;
  int32_t ReadAvailCount(uint32_t matchStart) const;
  // The n-th waiting byte (1-based), under InputLock.
  int32_t CharAt(uint32_t n, uint8_t& ch) const;
  // Moves ScanPos over the bytes that complete no data trigger, under one hold of DataLock;
  // true when the byte at ScanPos completes one, `longest` then its longest match.
  bool ScanForMatch(uint32_t& longest);
  void AdvanceScan();
  bool NotifyAvail(uint32_t count);
  bool NotifyMatchedDataTriggers();
  bool DeliverToWindows(uint32_t msg, uint32_t trigger, uint32_t lParam);
  void FinishAvailDelivery(uint32_t msg, uint32_t offered, bool& result);
  void FreeDeletedHandlers();

  TraceRecorder Trace;  // DataLock
  DispatchLog Log;      // DataLock
};

}  // namespace sio
