#include "platform/posix/termios_device.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/posix/dcb_termios.h"
#include "platform/system_error.h"

namespace platform {

namespace {

bool Fail(uint32_t error) {
  SetLastError(error);
  return false;
}

bool FailWithErrno() { return Fail(SystemErrorFromErrno(errno)); }

// An overlapped request starts: its event is reset, as the system does.
void Begin(OVERLAPPED& overlapped) {
  if (overlapped.hEvent != nullptr) ResetEvent(overlapped.hEvent);
  overlapped.Internal = kErrorIoPending;
  overlapped.InternalHigh = 0;
}

bool ValidLine(const DCB& dcb) {
  if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > kSpaceParity ||
      dcb.StopBits > kTwoStopBits || dcb.fDtrControl > kDtrControlHandshake ||
      dcb.fRtsControl > kRtsControlToggle) {
    return false;
  }
  return dcb.ByteSize == 5 ? dcb.StopBits != kTwoStopBits : dcb.StopBits != kOne5StopBits;
}

// The queue tcflush drops for the PurgeComm flags; -1 for none.
int FlushQueue(uint32_t flags) {
  const bool output = (flags & kPurgeTxClear) != 0;
  const bool input = (flags & kPurgeRxClear) != 0;
  if (output && input) return TCIOFLUSH;
  if (output) return TCOFLUSH;
  return input ? TCIFLUSH : -1;
}

}  // namespace

// --- Open and close ---

std::unique_ptr<TermiosDevice> TermiosDevice::Open(const std::string& path, uint32_t& error) {
  std::unique_ptr<ExclusiveTty> tty = ExclusiveTty::Open(path, error);
  if (tty == nullptr) return nullptr;
  std::unique_ptr<TermiosDevice> device(new TermiosDevice(std::move(tty)));
  error = device->StartWatching();
  if (error != kErrorSuccess) return nullptr;
  return device;
}

TermiosDevice::TermiosDevice(std::unique_ptr<ExclusiveTty> tty)
    : tty_(std::move(tty)), fd_(tty_->fd()) {
  ReadDcbFromTty(fd_, dcb_);
  ReadModemLines(fd_, modemLines_);
  eventCounters_ = ReadLineCounters(fd_);
  errorCounters_ = eventCounters_;
}

// The modem lines are read on the poller's ticks, where the tty has them: the driver counts
// their changes (and line events), so a pulse between two ticks is not lost.
uint32_t TermiosDevice::StartWatching() {
  TtyPoller::Handlers handlers{[this] { OnReceived(); }, [this] { OnWritable(); },
                               [this] { OnHungUp(); }, nullptr};
  if (HasModemLines(fd_) || eventCounters_) handlers.tick = [this] { OnModemChange(); };
  uint32_t error = kErrorSuccess;
  poller_ = TtyPoller::Start(fd_, std::move(handlers), kModemLinesTickMs, error);
  return poller_ != nullptr ? kErrorSuccess : error;
}

TermiosDevice::~TermiosDevice() { Close(); }

void TermiosDevice::Close() {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
    if (wait_) CompleteWait(0, kErrorOperationAborted);
    EndWrites(kErrorOperationAborted);
  }
  // The poller's handlers see closed_ and do nothing more; then the tty can go.
  poller_.reset();
  tty_.reset();
}

// --- Line settings ---

bool TermiosDevice::SetupComm(uint32_t, uint32_t) {
  std::lock_guard lock(mutex_);
  return IsOpen();
}

bool TermiosDevice::GetCommState(DCB& dcb) {
  std::lock_guard lock(mutex_);
  if (!IsOpen()) return false;
  DCB current = dcb_;
  if (const uint32_t error = ReadDcbFromTty(fd_, current)) return Fail(error);
  dcb = current;
  return true;
}

bool TermiosDevice::SetCommState(const DCB& dcb) {
  std::lock_guard lock(mutex_);
  if (!IsOpen()) return false;
  if (!ValidLine(dcb)) return Fail(kErrorInvalidParameter);
  if (const uint32_t error = ApplyDcbToTty(fd_, dcb)) return Fail(error);
  dcb_ = dcb;
  ApplyLineControls(dcb);
  return true;
}

bool TermiosDevice::SetCommTimeouts(const COMMTIMEOUTS&) {
  std::lock_guard lock(mutex_);
  return IsOpen();
}

// --- Events ---

bool TermiosDevice::SetCommMask(uint32_t mask) {
  std::lock_guard lock(mutex_);
  if (!IsOpen()) return false;
  if (wait_) CompleteWait(0, kErrorSuccess);
  unreported_ = 0;
  mask_ = mask;
  return true;
}

bool TermiosDevice::WaitCommEvent(uint32_t& mask, OVERLAPPED& overlapped) {
  std::lock_guard lock(mutex_);
  if (!IsOpen()) return false;
  if (mask_ == 0 || wait_) return Fail(kErrorInvalidParameter);
  Begin(overlapped);
  // On a device that went away the wait ends at once with the error, so a caller that
  // waits for its completion learns of it without waiting for ever or spinning.
  if (hungUp_) {
    Finish(overlapped, kErrorDeviceNotConnected, 0);
    return Fail(kErrorIoPending);
  }
  wait_ = PendingWait{&overlapped, &mask};
  if (unreported_ == 0) return Fail(kErrorIoPending);
  CompleteWait(std::exchange(unreported_, 0), kErrorSuccess);
  return true;
}

bool TermiosDevice::GetOverlappedResult(OVERLAPPED& overlapped, uint32_t& transferred,
                                        bool wait) {
  std::unique_lock lock(mutex_);
  if (wait) completed_.wait(lock, [&] { return overlapped.Internal != kErrorIoPending; });
  if (overlapped.Internal == kErrorIoPending) return Fail(kErrorIoIncomplete);
  transferred = overlapped.InternalHigh;
  return overlapped.Internal == kErrorSuccess || Fail(overlapped.Internal);
}

// --- Data ---

bool TermiosDevice::ReadFile(void* buffer, uint32_t size, uint32_t& read,
                             OVERLAPPED& overlapped) {
  std::lock_guard lock(mutex_);
  read = 0;
  if (!IsOpen()) return false;
  const ssize_t count = size == 0 ? 0 : ::read(fd_, buffer, size);
  if (count < 0 && errno != EAGAIN && errno != EINTR) return FailWithErrno();
  read = count < 0 ? 0 : static_cast<uint32_t>(count);
  Begin(overlapped);
  Finish(overlapped, kErrorSuccess, read);
  return true;
}

bool TermiosDevice::WriteFile(const void* data, uint32_t size, uint32_t& written,
                              OVERLAPPED& overlapped) {
  std::lock_guard lock(mutex_);
  written = 0;
  if (!IsOpen()) return false;
  const char* bytes = static_cast<const char*>(data);
  size_t taken = 0;
  // A write behind a pending one waits its turn, so the bytes go out in order.
  while (writes_.empty() && taken < size) {
    const ssize_t count = ::write(fd_, bytes + taken, size - taken);
    if (count < 0 && errno == EINTR) continue;
    if (count == 0 || (count < 0 && errno == EAGAIN)) break;
    if (count < 0) return FailWithErrno();
    taken += static_cast<size_t>(count);
  }
  Begin(overlapped);
  if (taken == size) {
    Finish(overlapped, kErrorSuccess, size);
    written = size;
    return true;
  }
  writes_.push_back({&overlapped, size, std::string(bytes + taken, size - taken)});
  poller_->WatchOutput(true);
  return Fail(kErrorIoPending);
}

// --- Queues and lines ---

bool TermiosDevice::ClearCommError(uint32_t& errors, COMSTAT& status) {
  std::lock_guard lock(mutex_);
  if (!IsOpen()) return false;
  int input = 0;
  int output = 0;
  if (ioctl(fd_, FIONREAD, &input) != 0 || ioctl(fd_, TIOCOUTQ, &output) != 0) {
    return FailWithErrno();
  }
  errors = 0;
  if (errorCounters_) {
    if (const std::optional<LineCounters> now = ReadLineCounters(fd_)) {
      errors = LineErrorsBetween(*errorCounters_, *now);
      errorCounters_ = now;
    }
  }
  status.cbInQue = static_cast<uint32_t>(input);
  status.cbOutQue = static_cast<uint32_t>(output) + PendingWriteBytes();
  return true;
}

bool TermiosDevice::PurgeComm(uint32_t flags) {
  std::lock_guard lock(mutex_);
  if (!IsOpen()) return false;
  if (flags & kPurgeTxAbort) EndWrites(kErrorOperationAborted);
  const int queue = FlushQueue(flags);
  return queue < 0 || tcflush(fd_, queue) == 0 || FailWithErrno();
}

bool TermiosDevice::EscapeCommFunction(uint32_t function) {
  std::lock_guard lock(mutex_);
  if (!IsOpen()) return false;
  int line = 0;
  unsigned long request = 0;
  switch (function) {
    case kSetDtr: line = TIOCM_DTR; request = TIOCMBIS; break;
    case kClrDtr: line = TIOCM_DTR; request = TIOCMBIC; break;
    case kSetRts: line = TIOCM_RTS; request = TIOCMBIS; break;
    case kClrRts: line = TIOCM_RTS; request = TIOCMBIC; break;
    default: return Fail(kErrorInvalidParameter);
  }
  return ioctl(fd_, request, &line) == 0 || FailWithErrno();
}

bool TermiosDevice::GetCommModemStatus(uint32_t& modemStatus) {
  std::lock_guard lock(mutex_);
  if (!IsOpen()) return false;
  uint32_t lines = 0;
  if (const uint32_t error = ReadModemLines(fd_, lines)) return Fail(error);
  modemStatus = lines;
  return true;
}

// --- Handlers of the watcher threads ---

void TermiosDevice::OnReceived() {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  RaiseEvents(kEvRxChar | CountedEvents());
}

// Output room is watched only while writes pend.
void TermiosDevice::OnWritable() {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  WritePending();
  if (writes_.empty()) poller_->WatchOutput(false);
}

void TermiosDevice::OnHungUp() {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  hungUp_ = true;
  if (wait_) CompleteWait(0, kErrorDeviceNotConnected);
  EndWrites(kErrorDeviceNotConnected);
}

void TermiosDevice::OnModemChange() {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  uint32_t lines = 0;
  if (ReadModemLines(fd_, lines) != kErrorSuccess) return;
  const uint32_t events = ModemLineEvents(modemLines_, lines) | CountedEvents();
  modemLines_ = lines;
  RaiseEvents(events);
}

// --- Helpers, all called with mutex_ held ---

bool TermiosDevice::IsOpen() { return !closed_ || Fail(kErrorInvalidHandle); }

void TermiosDevice::Finish(OVERLAPPED& overlapped, uint32_t status, uint32_t transferred) {
  Handle event = overlapped.hEvent;  // the owner may reuse the record once it sees the status
  overlapped.InternalHigh = transferred;
  overlapped.Internal = status;
  if (event != nullptr) SetEvent(event);
  completed_.notify_all();
}

// The events the driver counted since the last time they were taken.
uint32_t TermiosDevice::CountedEvents() {
  if (!eventCounters_) return 0;
  const std::optional<LineCounters> now = ReadLineCounters(fd_);
  if (!now) return 0;
  const uint32_t events = LineEventsBetween(*eventCounters_, *now);
  eventCounters_ = now;
  return events;
}

// Enabled events complete the pending wait, or are kept for the next one.
void TermiosDevice::RaiseEvents(uint32_t events) {
  const uint32_t enabled = events & mask_;
  if (enabled == 0) return;
  if (wait_) {
    CompleteWait(enabled, kErrorSuccess);
  } else {
    unreported_ |= enabled;
  }
}

void TermiosDevice::CompleteWait(uint32_t events, uint32_t status) {
  const PendingWait wait = *wait_;
  wait_.reset();
  if (status == kErrorSuccess) *wait.mask = events;
  Finish(*wait.overlapped, status, status == kErrorSuccess ? sizeof(uint32_t) : 0);
}

// Gives the tty as much of the pending writes as it takes now, completing each one that
// went whole.
void TermiosDevice::WritePending() {
  while (!writes_.empty()) {
    PendingWrite& write = writes_.front();
    const ssize_t count = ::write(fd_, write.rest.data() + write.taken, write.Left());
    if (count < 0 && errno == EINTR) continue;
    if (count == 0 || (count < 0 && errno == EAGAIN)) return;
    if (count < 0) {
      const uint32_t error = SystemErrorFromErrno(errno);
      Finish(*write.overlapped, error, write.Sent());
      writes_.pop_front();
      continue;
    }
    write.taken += static_cast<size_t>(count);
    if (write.Left() == 0) {
      Finish(*write.overlapped, kErrorSuccess, write.size);
      writes_.pop_front();
    }
  }
}

// Ends the pending writes with `status`; the bytes the tty took stay taken.
void TermiosDevice::EndWrites(uint32_t status) {
  for (PendingWrite& write : writes_) {
    Finish(*write.overlapped, status, write.Sent());
  }
  writes_.clear();
}

uint32_t TermiosDevice::PendingWriteBytes() const {
  size_t bytes = 0;
  for (const PendingWrite& write : writes_) bytes += write.Left();
  return static_cast<uint32_t>(bytes);
}

// DTR and RTS follow the DCB where it enables or disables them; a tty without modem lines
// has none to set.
void TermiosDevice::ApplyLineControls(const DCB& dcb) {
  int raise = 0;
  int drop = 0;
  if (dcb.fDtrControl == kDtrControlEnable) raise |= TIOCM_DTR;
  if (dcb.fDtrControl == kDtrControlDisable) drop |= TIOCM_DTR;
  if (dcb.fRtsControl == kRtsControlEnable) raise |= TIOCM_RTS;
  if (dcb.fRtsControl == kRtsControlDisable) drop |= TIOCM_RTS;
  if (raise != 0) ioctl(fd_, TIOCMBIS, &raise);
  if (drop != 0) ioctl(fd_, TIOCMBIC, &drop);
}

}  // namespace platform
