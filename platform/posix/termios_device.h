#pragma once
// A serial device on a POSIX tty with the semantics of a Win32 serial driver opened for
// overlapped use (the same as the in-memory device of the tests):
//   - reads never wait: they take what the driver holds, possibly nothing;
//   - a write takes what the tty accepts at once; the rest pends and is written as the
//     driver makes room, completing the request (its OVERLAPPED event is set) when all went;
//   - WaitCommEvent completes when an enabled event happens: bytes arrive (EV_RXCHAR, once
//     per arrival, not again for bytes left unread), a modem line changes, a break or line
//     error is counted; SetCommMask from any thread ends it with mask 0;
//   - when the device goes away (a hang-up) a pending wait and pending writes complete with
//     kErrorDeviceNotConnected, and so does every later wait, at once; the driver fails
//     the later writes; the device can still be closed;
//   - Close (also by the destructor) ends every pending request with kErrorOperationAborted,
//     and the device is free for the next opening.
// Pending requests are completed by a thread of the device that sleeps in the kernel
// (TtyPoller); where the tty has modem lines, the same thread reads them every 50 ms.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/posix/exclusive_tty.h"
#include "platform/posix/line_events.h"
#include "platform/posix/tty_poller.h"
#include "platform/serial_api.h"

namespace platform {

class TermiosDevice final : public SerialDevice {
 public:
  // Opens the tty at `path` for exclusive use; nullptr with `error` set when it cannot
  // (see ExclusiveTty::Open).
  static std::unique_ptr<TermiosDevice> Open(const std::string& path, uint32_t& error);
  ~TermiosDevice() override;
  TermiosDevice(const TermiosDevice&) = delete;
  TermiosDevice& operator=(const TermiosDevice&) = delete;

  // Accepted; the driver's queues keep their sizes.
  bool SetupComm(uint32_t inQueue, uint32_t outQueue) override;
  // The settings the tty holds (see dcb_termios.h); the fields termios has no place for as
  // last set.
  bool GetCommState(DCB& dcb) override;
  // Rejects (kErrorInvalidParameter) what a Win32 driver rejects: baud 0, byte size outside
  // 5..8, an unknown parity, stop-bits or line-control code, 5 data bits with 2 stop bits,
  // 6..8 with 1.5. DTR and RTS follow their enable/disable settings where the tty has them.
  bool SetCommState(const DCB& dcb) override;
  bool SetCommMask(uint32_t mask) override;
  // Accepted; reads never wait, whatever the time-outs say.
  bool SetCommTimeouts(const COMMTIMEOUTS& timeouts) override;
  // With no mask set or while another wait pends: false with kErrorInvalidParameter.
  bool WaitCommEvent(uint32_t& mask, OVERLAPPED& overlapped) override;
  bool GetOverlappedResult(OVERLAPPED& overlapped, uint32_t& transferred, bool wait) override;
  bool ReadFile(void* buffer, uint32_t size, uint32_t& read, OVERLAPPED& overlapped) override;
  bool WriteFile(const void* data, uint32_t size, uint32_t& written,
                 OVERLAPPED& overlapped) override;
  // The CE_ bits the driver counted since the last call (none where it does not count);
  // received bytes in the driver; bytes in the driver's output queue and in pending writes.
  bool ClearCommError(uint32_t& errors, COMSTAT& status) override;
  // kPurgeTxAbort ends pending writes (kErrorOperationAborted); kPurgeTxClear and
  // kPurgeRxClear drop the driver's output and input queues.
  bool PurgeComm(uint32_t flags) override;
  // kSetDtr, kClrDtr, kSetRts, kClrRts (fails on a tty without modem lines); anything else
  // fails with kErrorInvalidParameter.
  bool EscapeCommFunction(uint32_t function) override;
  // No lines (0) on a tty without modem lines.
  bool GetCommModemStatus(uint32_t& modemStatus) override;
  void Close() override;

 private:
  struct PendingWait {
    OVERLAPPED* overlapped;
    uint32_t* mask;
  };
  struct PendingWrite {
    OVERLAPPED* overlapped;
    uint32_t size;      // bytes of the request
    std::string rest;   // the bytes the tty has not taken yet
    size_t taken = 0;   // of `rest`

    size_t Left() const { return rest.size() - taken; }
    uint32_t Sent() const { return size - static_cast<uint32_t>(Left()); }
  };

  static constexpr uint32_t kModemLinesTickMs = 50;

  explicit TermiosDevice(std::unique_ptr<ExclusiveTty> tty);
  uint32_t StartWatching();

  // Handlers of the poller's thread.
  void OnReceived();
  void OnWritable();
  void OnHungUp();
  void OnModemChange();

  // Helpers, all called with mutex_ held.
  bool IsOpen();  // false with kErrorInvalidHandle after Close
  void Finish(OVERLAPPED& overlapped, uint32_t status, uint32_t transferred);
  uint32_t CountedEvents();
  void RaiseEvents(uint32_t events);
  void CompleteWait(uint32_t events, uint32_t status);
  void WritePending();
  void EndWrites(uint32_t status);
  uint32_t PendingWriteBytes() const;
  void ApplyLineControls(const DCB& dcb);

  std::unique_ptr<ExclusiveTty> tty_;
  const int fd_;
  std::unique_ptr<TtyPoller> poller_;

  std::mutex mutex_;
  std::condition_variable completed_;  // a request completed
  bool closed_ = false;
  bool hungUp_ = false;
  DCB dcb_;  // as last set: the fields termios has no place for
  uint32_t mask_ = 0;
  uint32_t unreported_ = 0;  // enabled events since the last wait or mask change
  std::optional<PendingWait> wait_;
  std::deque<PendingWrite> writes_;
  uint32_t modemLines_ = 0;
  std::optional<LineCounters> eventCounters_;  // as the last events were taken
  std::optional<LineCounters> errorCounters_;  // as the last ClearCommError saw them
};

}  // namespace platform
