#pragma once
// A serial device in memory for tests: the near side behaves like a Win32 serial driver opened
// for overlapped use, the far side (the "cable") is scripted by the test. Every member may be
// called from any thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/serial_api.h"
#include "platform/system_error.h"

namespace test_support {

// The calls of platform::SerialDevice, for call counts and scripted failures.
enum class SerialCall {
  kSetupComm,
  kGetCommState,
  kSetCommState,
  kSetCommMask,
  kSetCommTimeouts,
  kWaitCommEvent,
  kGetOverlappedResult,
  kReadFile,
  kWriteFile,
  kClearCommError,
  kPurgeComm,
  kEscapeCommFunction,
  kGetCommModemStatus,
};

class MemorySerialDevice final : public platform::SerialDevice {
 public:
  // --- Near side: what the code under test calls (through CreateFileA or directly). ---
  bool SetupComm(uint32_t inQueue, uint32_t outQueue) override;
  bool GetCommState(platform::DCB& dcb) override;
  // Rejects (kErrorInvalidParameter) what a Win32 driver rejects: baud 0, byte size outside
  // 5..8, an unknown parity or stop-bits code, 5 data bits with 2 stop bits, 6..8 with 1.5.
  bool SetCommState(const platform::DCB& dcb) override;
  // Ends a pending WaitCommEvent with mask 0 and forgets events not yet reported.
  bool SetCommMask(uint32_t mask) override;
  bool SetCommTimeouts(const platform::COMMTIMEOUTS& timeouts) override;
  // With no mask set, or while another wait pends: false with kErrorInvalidParameter.
  bool WaitCommEvent(uint32_t& mask, platform::OVERLAPPED& overlapped) override;
  // Reads the completion from the OVERLAPPED; `wait` blocks until the request has completed.
  bool GetOverlappedResult(platform::OVERLAPPED& overlapped, uint32_t& transferred,
                           bool wait) override;
  // Never waits: takes up to `size` received bytes (read interval time-out MAXDWORD).
  bool ReadFile(void* buffer, uint32_t size, uint32_t& read,
                platform::OVERLAPPED& overlapped) override;
  // Completes at once, or pends while SetWritesPend(true).
  bool WriteFile(const void* data, uint32_t size, uint32_t& written,
                 platform::OVERLAPPED& overlapped) override;
  // The CE_ bits raised since the last call (then cleared); received bytes not yet read and
  // bytes of pending writes.
  bool ClearCommError(uint32_t& errors, platform::COMSTAT& status) override;
  // kPurgeTxAbort aborts pending writes (kErrorOperationAborted, nothing sent);
  // kPurgeRxClear drops the received bytes.
  bool PurgeComm(uint32_t flags) override;
  // kSetDtr, kClrDtr, kSetRts, kClrRts; anything else fails with kErrorInvalidParameter.
  bool EscapeCommFunction(uint32_t function) override;
  bool GetCommModemStatus(uint32_t& modemStatus) override;
  // Pending requests end with kErrorOperationAborted; received bytes and line errors are
  // dropped; the device can be opened again.
  void Close() override;

  // --- Far side: what the test does to the device. ---
  // Bytes arriving on the line: queued for ReadFile, EV_RXCHAR (dropped while closed).
  void Receive(std::string_view bytes);
  // Line errors (kCe... bits): reported by ClearCommError; EV_ERR for overrun, parity and
  // framing, EV_BREAK for a break.
  void RaiseLineErrors(uint32_t ceBits);
  // The state of the modem input lines (kMsCtsOn, kMsDsrOn, kMsRingOn, kMsRlsdOn). Each changed
  // line raises its event: EV_CTS, EV_DSR, EV_RLSD; RI going on EV_RING, going off EV_RING2.
  void SetModemLines(uint32_t msBits);
  // Completes the oldest pending write with at most `count` of its bytes; false when none pends.
  bool CompleteWrite(uint32_t count = UINT32_MAX);
  // The device is unplugged: pending requests complete with `error`, every later call fails
  // with it, and the name no longer opens (kErrorFileNotFound). Closing still works.
  void Vanish(uint32_t error = platform::kErrorDeviceNotConnected);

  // --- Script: how the device behaves. ---
  // Opening fails with `error` (kErrorSuccess: opens again).
  void SetOpenError(uint32_t error);
  // Every later `call` fails at once with `error` (kErrorSuccess: works again).
  void FailCall(SerialCall call, uint32_t error);
  // Writes pend until CompleteWrite or a purge with kPurgeTxAbort.
  void SetWritesPend(bool pend);
  // Reads report kErrorIoPending although their data is already there, as a driver may.
  void SetReadsPend(bool pend);
  // The next SetCommMask(0) runs `hold` on its caller's thread before it returns, after it has
  // ended a pending wait: holds a closing thread between breaking the wait and what follows.
  void HoldInNextMaskClear(std::function<void()> hold);
  // SetCommMask with kEvRing2 fails with kErrorInvalidParameter (and leaves the mask), as the
  // drivers that do not know the ring trailing edge do.
  void SetRejectRing2(bool reject);

  // --- What happened. ---
  bool IsOpen() const;
  std::string Sent() const;  // bytes of completed writes, in order
  uint32_t InQueue() const;  // received bytes not yet read
  uint32_t PendingWrites() const;
  bool WaitPending() const;  // a WaitCommEvent waits for an event
  uint32_t EventMask() const;
  platform::DCB Dcb() const;
  platform::COMMTIMEOUTS Timeouts() const;
  bool Dtr() const;
  bool Rts() const;
  uint32_t Calls(SerialCall call) const;

  // Waits until `condition` holds, re-testing it after every change of the device (a call, a
  // far-side action); false when `timeout` passed first. The condition may call the getters.
  bool WaitUntil(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

  // Opening by the provider: false with `error` when the device is unplugged, refused by the
  // script or already open.
  bool Open(uint32_t& error);

 private:
  struct PendingWrite {
    platform::OVERLAPPED* overlapped;
    std::string data;
  };
  struct PendingWait {
    platform::OVERLAPPED* overlapped;
    uint32_t* mask;
  };

  // Counts the call; false (last error set) when it is failed by the script.
  bool Count(SerialCall call);
  // Count, then false also when the device is closed or unplugged.
  bool Enter(SerialCall call);
  void Changed();
  void RaiseEvents(uint32_t events);
  void CompleteWait(uint32_t events, uint32_t status);
  void AbortWrites(uint32_t status);
  void ApplyLineControls(const platform::DCB& dcb);
  uint32_t PendingWriteBytes() const;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  uint64_t generation_ = 0;

  bool open_ = false;
  uint32_t vanishedError_ = platform::kErrorSuccess;
  uint32_t openError_ = platform::kErrorSuccess;
  bool writesPend_ = false;
  bool readsPend_ = false;
  bool rejectRing2_ = false;
  std::function<void()> holdInMaskClear_;
  std::map<SerialCall, uint32_t> failures_;
  std::map<SerialCall, uint32_t> calls_;

  std::string input_;
  std::string sent_;
  std::deque<PendingWrite> writes_;
  std::optional<PendingWait> wait_;
  uint32_t mask_ = 0;
  uint32_t unreported_ = 0;  // enabled events since the last wait or mask change
  uint32_t lineErrors_ = 0;
  uint32_t modemLines_ = 0;
  bool dtr_ = false;
  bool rts_ = false;
  platform::DCB dcb_;
  platform::COMMTIMEOUTS timeouts_;
};

// Opens the MemorySerialDevices added to it; installed for CreateFileA while it lives.
class MemorySerialProvider final : public platform::SerialProvider {
 public:
  MemorySerialProvider();
  ~MemorySerialProvider() override;
  MemorySerialProvider(const MemorySerialProvider&) = delete;
  MemorySerialProvider& operator=(const MemorySerialProvider&) = delete;

  // Makes `name` (e.g. "\\.\COM1") openable with a new device, which replaces an earlier one of
  // that name (a device plugged in again); unknown names fail with kErrorFileNotFound.
  std::shared_ptr<MemorySerialDevice> AddDevice(const std::string& name);
  std::shared_ptr<MemorySerialDevice> Device(const std::string& name) const;

  std::unique_ptr<platform::SerialDevice> Open(const std::string& name, uint32_t& error) override;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<MemorySerialDevice>> devices_;
};

}  // namespace test_support
