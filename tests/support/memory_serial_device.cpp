#include "tests/support/memory_serial_device.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace test_support {

using namespace platform;

namespace {

bool Fail(uint32_t error) {
  SetLastError(error);
  return false;
}

// An overlapped request starts: its event is reset, as the system does.
void Begin(OVERLAPPED& overlapped) {
  if (overlapped.hEvent != nullptr) ResetEvent(overlapped.hEvent);
  overlapped.Internal = kErrorIoPending;
  overlapped.InternalHigh = 0;
}

void Finish(OVERLAPPED& overlapped, uint32_t status, uint32_t transferred) {
  Handle event = overlapped.hEvent;  // the owner may reuse the record once it sees the status
  overlapped.InternalHigh = transferred;
  overlapped.Internal = status;
  if (event != nullptr) SetEvent(event);
}

bool ValidLine(const DCB& dcb) {
  if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > kSpaceParity ||
      dcb.StopBits > kTwoStopBits || dcb.fDtrControl > kDtrControlHandshake ||
      dcb.fRtsControl > kRtsControlToggle) {
    return false;
  }
  return dcb.ByteSize == 5 ? dcb.StopBits != kTwoStopBits : dcb.StopBits != kOne5StopBits;
}

// The events a change of the modem input lines raises.
uint32_t ModemEvents(uint32_t before, uint32_t after) {
  const uint32_t changed = before ^ after;
  uint32_t events = 0;
  if (changed & kMsCtsOn) events |= kEvCts;
  if (changed & kMsDsrOn) events |= kEvDsr;
  if (changed & kMsRlsdOn) events |= kEvRlsd;
  if (changed & kMsRingOn) events |= (after & kMsRingOn) ? kEvRing : kEvRing2;
  return events;
}

uint32_t LineErrorEvents(uint32_t ceBits) {
  uint32_t events = 0;
  if (ceBits & (kCeOverrun | kCeRxParity | kCeFrame)) events |= kEvErr;
  if (ceBits & kCeBreak) events |= kEvBreak;
  return events;
}

// One opening of a device, handed to CreateFileA: the device itself stays with the provider
// (and the test) and closing this opening closes it once.
class OpenedDevice final : public SerialDevice {
 public:
  explicit OpenedDevice(std::shared_ptr<MemorySerialDevice> device) : device_(std::move(device)) {}
  ~OpenedDevice() override { Close(); }

  void Close() override {
    if (!closed_.exchange(true)) device_->Close();
  }

  bool SetupComm(uint32_t inQueue, uint32_t outQueue) override {
    return device_->SetupComm(inQueue, outQueue);
  }
  bool GetCommState(DCB& dcb) override { return device_->GetCommState(dcb); }
  bool SetCommState(const DCB& dcb) override { return device_->SetCommState(dcb); }
  bool SetCommMask(uint32_t mask) override { return device_->SetCommMask(mask); }
  bool SetCommTimeouts(const COMMTIMEOUTS& timeouts) override {
    return device_->SetCommTimeouts(timeouts);
  }
  bool WaitCommEvent(uint32_t& mask, OVERLAPPED& overlapped) override {
    return device_->WaitCommEvent(mask, overlapped);
  }
  bool GetOverlappedResult(OVERLAPPED& overlapped, uint32_t& transferred, bool wait) override {
    return device_->GetOverlappedResult(overlapped, transferred, wait);
  }
  bool ReadFile(void* buffer, uint32_t size, uint32_t& read, OVERLAPPED& overlapped) override {
    return device_->ReadFile(buffer, size, read, overlapped);
  }
  bool WriteFile(const void* data, uint32_t size, uint32_t& written,
                 OVERLAPPED& overlapped) override {
    return device_->WriteFile(data, size, written, overlapped);
  }
  bool ClearCommError(uint32_t& errors, COMSTAT& status) override {
    return device_->ClearCommError(errors, status);
  }
  bool PurgeComm(uint32_t flags) override { return device_->PurgeComm(flags); }
  bool EscapeCommFunction(uint32_t function) override {
    return device_->EscapeCommFunction(function);
  }
  bool GetCommModemStatus(uint32_t& modemStatus) override {
    return device_->GetCommModemStatus(modemStatus);
  }

 private:
  std::shared_ptr<MemorySerialDevice> device_;
  std::atomic<bool> closed_{false};
};

}  // namespace

// --- Near side ---

bool MemorySerialDevice::SetupComm(uint32_t, uint32_t) {
  std::lock_guard lock(mutex_);
  return Enter(SerialCall::kSetupComm);
}

bool MemorySerialDevice::GetCommState(DCB& dcb) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kGetCommState)) return false;
  dcb = dcb_;
  return true;
}

bool MemorySerialDevice::SetCommState(const DCB& dcb) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kSetCommState)) return false;
  if (!ValidLine(dcb)) return Fail(kErrorInvalidParameter);
  dcb_ = dcb;
  ApplyLineControls(dcb_);
  return true;
}

bool MemorySerialDevice::SetCommMask(uint32_t mask) {
  std::function<void()> hold;
  {
    std::lock_guard lock(mutex_);
    if (!Enter(SerialCall::kSetCommMask)) return false;
    if (rejectRing2_ && (mask & kEvRing2)) return Fail(kErrorInvalidParameter);
    if (wait_) CompleteWait(0, kErrorSuccess);
    unreported_ = 0;
    mask_ = mask;
    if (mask == 0) hold = std::exchange(holdInMaskClear_, nullptr);
  }
  if (hold) hold();
  return true;
}

bool MemorySerialDevice::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kSetCommTimeouts)) return false;
  timeouts_ = timeouts;
  return true;
}

bool MemorySerialDevice::WaitCommEvent(uint32_t& mask, OVERLAPPED& overlapped) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kWaitCommEvent)) return false;
  if (mask_ == 0 || wait_) return Fail(kErrorInvalidParameter);
  Begin(overlapped);
  wait_ = PendingWait{&overlapped, &mask};
  if (unreported_ == 0) return Fail(kErrorIoPending);
  CompleteWait(std::exchange(unreported_, 0), kErrorSuccess);
  return true;
}

bool MemorySerialDevice::GetOverlappedResult(OVERLAPPED& overlapped, uint32_t& transferred,
                                             bool wait) {
  std::unique_lock lock(mutex_);
  if (!Count(SerialCall::kGetOverlappedResult)) return false;
  if (wait) changed_.wait(lock, [&] { return overlapped.Internal != kErrorIoPending; });
  if (overlapped.Internal == kErrorIoPending) return Fail(kErrorIoIncomplete);
  transferred = overlapped.InternalHigh;
  return overlapped.Internal == kErrorSuccess || Fail(overlapped.Internal);
}

bool MemorySerialDevice::ReadFile(void* buffer, uint32_t size, uint32_t& read,
                                  OVERLAPPED& overlapped) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kReadFile)) return false;
  const auto count = static_cast<uint32_t>(std::min<size_t>(size, input_.size()));
  std::memcpy(buffer, input_.data(), count);
  input_.erase(0, count);
  Begin(overlapped);
  Finish(overlapped, kErrorSuccess, count);
  read = readsPend_ ? 0 : count;
  return !readsPend_ || Fail(kErrorIoPending);
}

bool MemorySerialDevice::WriteFile(const void* data, uint32_t size, uint32_t& written,
                                   OVERLAPPED& overlapped) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kWriteFile)) return false;
  Begin(overlapped);
  std::string bytes(static_cast<const char*>(data), size);
  written = 0;
  // A write queued behind a pending one pends too, so the bytes go out in order.
  if (writesPend_ || !writes_.empty()) {
    writes_.push_back({&overlapped, std::move(bytes)});
    return Fail(kErrorIoPending);
  }
  sent_ += bytes;
  Finish(overlapped, kErrorSuccess, size);
  written = size;
  return true;
}

bool MemorySerialDevice::ClearCommError(uint32_t& errors, COMSTAT& status) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kClearCommError)) return false;
  errors = std::exchange(lineErrors_, 0);
  status.cbInQue = static_cast<uint32_t>(input_.size());
  status.cbOutQue = PendingWriteBytes();
  return true;
}

bool MemorySerialDevice::PurgeComm(uint32_t flags) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kPurgeComm)) return false;
  if (flags & kPurgeTxAbort) AbortWrites(kErrorOperationAborted);
  if (flags & kPurgeRxClear) input_.clear();
  return true;
}

bool MemorySerialDevice::EscapeCommFunction(uint32_t function) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kEscapeCommFunction)) return false;
  switch (function) {
    case kSetDtr: dtr_ = true; return true;
    case kClrDtr: dtr_ = false; return true;
    case kSetRts: rts_ = true; return true;
    case kClrRts: rts_ = false; return true;
    default: return Fail(kErrorInvalidParameter);
  }
}

bool MemorySerialDevice::GetCommModemStatus(uint32_t& modemStatus) {
  std::lock_guard lock(mutex_);
  if (!Enter(SerialCall::kGetCommModemStatus)) return false;
  modemStatus = modemLines_;
  return true;
}

// --- Far side ---

void MemorySerialDevice::Receive(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  if (!open_ || bytes.empty()) return;  // no driver queue while the port is closed
  input_ += bytes;
  Changed();
  RaiseEvents(kEvRxChar);
}

void MemorySerialDevice::RaiseLineErrors(uint32_t ceBits) {
  std::lock_guard lock(mutex_);
  if (!open_) return;
  lineErrors_ |= ceBits;
  Changed();
  RaiseEvents(LineErrorEvents(ceBits));
}

void MemorySerialDevice::SetModemLines(uint32_t msBits) {
  std::lock_guard lock(mutex_);
  msBits &= kMsCtsOn | kMsDsrOn | kMsRingOn | kMsRlsdOn;
  const uint32_t events = ModemEvents(modemLines_, msBits);
  modemLines_ = msBits;
  Changed();
  if (open_) RaiseEvents(events);
}

bool MemorySerialDevice::CompleteWrite(uint32_t count) {
  std::lock_guard lock(mutex_);
  if (writes_.empty()) return false;
  PendingWrite& write = writes_.front();
  const auto sent = static_cast<uint32_t>(std::min<size_t>(count, write.data.size()));
  sent_.append(write.data, 0, sent);
  Finish(*write.overlapped, kErrorSuccess, sent);
  writes_.pop_front();
  Changed();
  return true;
}

void MemorySerialDevice::Vanish(uint32_t error) {
  std::lock_guard lock(mutex_);
  vanishedError_ = error;
  if (wait_) CompleteWait(0, error);
  AbortWrites(error);
  Changed();
}

// --- Script ---

void MemorySerialDevice::SetOpenError(uint32_t error) {
  std::lock_guard lock(mutex_);
  openError_ = error;
}

void MemorySerialDevice::FailCall(SerialCall call, uint32_t error) {
  std::lock_guard lock(mutex_);
  if (error == kErrorSuccess) {
    failures_.erase(call);
  } else {
    failures_[call] = error;
  }
}

void MemorySerialDevice::SetWritesPend(bool pend) {
  std::lock_guard lock(mutex_);
  writesPend_ = pend;
}

void MemorySerialDevice::SetReadsPend(bool pend) {
  std::lock_guard lock(mutex_);
  readsPend_ = pend;
}

void MemorySerialDevice::HoldInNextMaskClear(std::function<void()> hold) {
  std::lock_guard lock(mutex_);
  holdInMaskClear_ = std::move(hold);
}

void MemorySerialDevice::SetRejectRing2(bool reject) {
  std::lock_guard lock(mutex_);
  rejectRing2_ = reject;
}

// --- What happened ---

bool MemorySerialDevice::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

std::string MemorySerialDevice::Sent() const {
  std::lock_guard lock(mutex_);
  return sent_;
}

uint32_t MemorySerialDevice::InQueue() const {
  std::lock_guard lock(mutex_);
  return static_cast<uint32_t>(input_.size());
}

uint32_t MemorySerialDevice::PendingWrites() const {
  std::lock_guard lock(mutex_);
  return static_cast<uint32_t>(writes_.size());
}

bool MemorySerialDevice::WaitPending() const {
  std::lock_guard lock(mutex_);
  return wait_.has_value();
}

uint32_t MemorySerialDevice::EventMask() const {
  std::lock_guard lock(mutex_);
  return mask_;
}

DCB MemorySerialDevice::Dcb() const {
  std::lock_guard lock(mutex_);
  return dcb_;
}

COMMTIMEOUTS MemorySerialDevice::Timeouts() const {
  std::lock_guard lock(mutex_);
  return timeouts_;
}

bool MemorySerialDevice::Dtr() const {
  std::lock_guard lock(mutex_);
  return dtr_;
}

bool MemorySerialDevice::Rts() const {
  std::lock_guard lock(mutex_);
  return rts_;
}

uint32_t MemorySerialDevice::Calls(SerialCall call) const {
  std::lock_guard lock(mutex_);
  const auto it = calls_.find(call);
  return it == calls_.end() ? 0 : it->second;
}

bool MemorySerialDevice::WaitUntil(const std::function<bool()>& condition,
                                   std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(mutex_);
  for (;;) {
    const uint64_t seen = generation_;
    lock.unlock();
    const bool holds = condition();
    lock.lock();
    if (holds) return true;
    if (!changed_.wait_until(lock, deadline, [&] { return generation_ != seen; })) return false;
  }
}

// --- Open and close ---

bool MemorySerialDevice::Open(uint32_t& error) {
  std::lock_guard lock(mutex_);
  if (vanishedError_ != kErrorSuccess) {
    error = kErrorFileNotFound;
  } else if (openError_ != kErrorSuccess) {
    error = openError_;
  } else if (open_) {
    error = kErrorAccessDenied;  // opened for exclusive use
  } else {
    open_ = true;
    ApplyLineControls(dcb_);
    Changed();
    return true;
  }
  return false;
}

void MemorySerialDevice::Close() {
  std::lock_guard lock(mutex_);
  if (wait_) CompleteWait(0, kErrorOperationAborted);
  AbortWrites(kErrorOperationAborted);
  open_ = false;
  input_.clear();
  lineErrors_ = 0;
  mask_ = 0;
  unreported_ = 0;
  Changed();
}

// --- Helpers, all called with mutex_ held ---

bool MemorySerialDevice::Count(SerialCall call) {
  ++calls_[call];
  Changed();
  const auto it = failures_.find(call);
  return it == failures_.end() || Fail(it->second);
}

bool MemorySerialDevice::Enter(SerialCall call) {
  if (!Count(call)) return false;
  if (!open_) return Fail(kErrorInvalidHandle);
  return vanishedError_ == kErrorSuccess || Fail(vanishedError_);
}

void MemorySerialDevice::Changed() {
  ++generation_;
  changed_.notify_all();
}

// Enabled events complete the pending wait, or are kept for the next one.
void MemorySerialDevice::RaiseEvents(uint32_t events) {
  const uint32_t enabled = events & mask_;
  if (enabled == 0) return;
  if (wait_) {
    CompleteWait(enabled, kErrorSuccess);
  } else {
    unreported_ |= enabled;
  }
}

void MemorySerialDevice::CompleteWait(uint32_t events, uint32_t status) {
  const PendingWait wait = *wait_;
  wait_.reset();
  if (status == kErrorSuccess) *wait.mask = events;
  Finish(*wait.overlapped, status, status == kErrorSuccess ? sizeof(uint32_t) : 0);
}

void MemorySerialDevice::AbortWrites(uint32_t status) {
  for (PendingWrite& write : writes_) Finish(*write.overlapped, status, 0);
  writes_.clear();
}

void MemorySerialDevice::ApplyLineControls(const DCB& dcb) {
  if (dcb.fDtrControl != kDtrControlHandshake) dtr_ = dcb.fDtrControl == kDtrControlEnable;
  if (dcb.fRtsControl == kRtsControlEnable || dcb.fRtsControl == kRtsControlDisable) {
    rts_ = dcb.fRtsControl == kRtsControlEnable;
  }
}

uint32_t MemorySerialDevice::PendingWriteBytes() const {
  size_t bytes = 0;
  for (const PendingWrite& write : writes_) bytes += write.data.size();
  return static_cast<uint32_t>(bytes);
}

// --- Provider ---

MemorySerialProvider::MemorySerialProvider() { SetSerialProviderForTesting(this); }

MemorySerialProvider::~MemorySerialProvider() { SetSerialProviderForTesting(nullptr); }

std::shared_ptr<MemorySerialDevice> MemorySerialProvider::AddDevice(const std::string& name) {
  auto device = std::make_shared<MemorySerialDevice>();
  std::lock_guard lock(mutex_);
  devices_[name] = device;
  return device;
}

std::shared_ptr<MemorySerialDevice> MemorySerialProvider::Device(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto it = devices_.find(name);
  return it == devices_.end() ? nullptr : it->second;
}

std::unique_ptr<SerialDevice> MemorySerialProvider::Open(const std::string& name,
                                                         uint32_t& error) {
  std::shared_ptr<MemorySerialDevice> device = Device(name);
  if (device == nullptr) {
    error = kErrorFileNotFound;
    return nullptr;
  }
  if (!device->Open(error)) return nullptr;
  return std::make_unique<OpenedDevice>(std::move(device));
}

}  // namespace test_support
