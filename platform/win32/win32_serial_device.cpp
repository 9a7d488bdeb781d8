#include "platform/win32/win32_serial_device.h"

#include "platform/system_error.h"
#include "platform/win32/dcb_win32.h"

namespace platform {

static_assert(sizeof(DWORD) == sizeof(uint32_t), "WaitCommEvent writes our mask as a DWORD");

namespace {

bool Fail(DWORD error) {
  ::SetLastError(error);
  return false;
}

// The result of a call that sets the last error when it fails.
bool Succeeded(BOOL result) { return result != FALSE || Fail(::GetLastError()); }

}  // namespace

std::unique_ptr<Win32SerialDevice> Win32SerialDevice::Open(const std::string& name,
                                                           uint32_t& error) {
  const HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED,
                                    nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return nullptr;
  }
  return std::unique_ptr<Win32SerialDevice>(new Win32SerialDevice(handle));
}

Win32SerialDevice::~Win32SerialDevice() {
  Close();
  // Closing ends whatever the cancel did not; the requests' records go after the handle.
  ::CloseHandle(handle_);
}

void Win32SerialDevice::Close() {
  std::lock_guard lock(startMutex_);
  if (closed_) return;
  closed_ = true;
  CancelIoEx(handle_, nullptr);
}

template <typename Start>
bool Win32SerialDevice::StartRequest(OVERLAPPED& ours, DWORD& transferred, Start start) {
  std::lock_guard lock(startMutex_);
  transferred = 0;
  if (closed_) return Fail(ERROR_INVALID_HANDLE);
  ::OVERLAPPED* record = requests_.Begin(ours);
  if (start(record)) {
    requests_.Complete(ours, ERROR_SUCCESS, transferred);
    return true;
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_IO_PENDING) requests_.Complete(ours, error, 0);
  return Fail(error);
}

bool Win32SerialDevice::SetupComm(uint32_t inQueue, uint32_t outQueue) {
  return Succeeded(::SetupComm(handle_, inQueue, outQueue));
}

bool Win32SerialDevice::GetCommState(DCB& dcb) {
  ::DCB native{};
  native.DCBlength = sizeof native;
  if (!Succeeded(::GetCommState(handle_, &native))) return false;
  dcb = FromNativeDcb(native);
  return true;
}

bool Win32SerialDevice::SetCommState(const DCB& dcb) {
  ::DCB native{};
  native.DCBlength = sizeof native;
  if (!Succeeded(::GetCommState(handle_, &native))) return false;
  ToNativeDcb(dcb, native);
  return Succeeded(::SetCommState(handle_, &native));
}

bool Win32SerialDevice::SetCommMask(uint32_t mask) {
  return Succeeded(::SetCommMask(handle_, mask));
}

bool Win32SerialDevice::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  ::COMMTIMEOUTS native{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                        timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                        timeouts.WriteTotalTimeoutConstant};
  return Succeeded(::SetCommTimeouts(handle_, &native));
}

bool Win32SerialDevice::WaitCommEvent(uint32_t& mask, OVERLAPPED& overlapped) {
  DWORD unused = 0;
  // The system writes the mask when the wait completes, as it does for a Win32 caller.
  auto* nativeMask = reinterpret_cast<DWORD*>(&mask);
  return StartRequest(overlapped, unused, [&](::OVERLAPPED* record) {
    return ::WaitCommEvent(handle_, nativeMask, record) != FALSE;
  });
}

bool Win32SerialDevice::GetOverlappedResult(OVERLAPPED& overlapped, uint32_t& transferred,
                                            bool wait) {
  ::OVERLAPPED* record = requests_.Find(overlapped);
  if (record == nullptr) {  // completed at once: the outcome is in our record
    if (overlapped.Internal == kErrorIoPending) return Fail(ERROR_INVALID_PARAMETER);
    transferred = overlapped.InternalHigh;
    return overlapped.Internal == ERROR_SUCCESS || Fail(overlapped.Internal);
  }
  DWORD count = 0;
  if (::GetOverlappedResult(handle_, record, &count, wait)) {
    requests_.Complete(overlapped, ERROR_SUCCESS, count);
    transferred = count;
    return true;
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_IO_INCOMPLETE) requests_.Complete(overlapped, error, count);
  return Fail(error);
}

bool Win32SerialDevice::ReadFile(void* buffer, uint32_t size, uint32_t& read,
                                 OVERLAPPED& overlapped) {
  DWORD count = 0;
  const bool done = StartRequest(overlapped, count, [&](::OVERLAPPED* record) {
    return ::ReadFile(handle_, buffer, size, &count, record) != FALSE;
  });
  read = count;
  return done;
}

bool Win32SerialDevice::WriteFile(const void* data, uint32_t size, uint32_t& written,
                                  OVERLAPPED& overlapped) {
  DWORD count = 0;
  const bool done = StartRequest(overlapped, count, [&](::OVERLAPPED* record) {
    return ::WriteFile(handle_, data, size, &count, record) != FALSE;
  });
  written = count;
  return done;
}

bool Win32SerialDevice::ClearCommError(uint32_t& errors, COMSTAT& status) {
  DWORD nativeErrors = 0;
  ::COMSTAT native{};
  if (!Succeeded(::ClearCommError(handle_, &nativeErrors, &native))) return false;
  errors = nativeErrors;
  status.cbInQue = native.cbInQue;
  status.cbOutQue = native.cbOutQue;
  return true;
}

bool Win32SerialDevice::PurgeComm(uint32_t flags) { return Succeeded(::PurgeComm(handle_, flags)); }

bool Win32SerialDevice::EscapeCommFunction(uint32_t function) {
  return Succeeded(::EscapeCommFunction(handle_, function));
}

bool Win32SerialDevice::GetCommModemStatus(uint32_t& modemStatus) {
  DWORD lines = 0;
  if (!Succeeded(::GetCommModemStatus(handle_, &lines))) return false;
  modemStatus = lines;
  return true;
}

}  // namespace platform
