#pragma once
// A serial device of the system, opened with CreateFileA for exclusive overlapped use. Each
// call goes straight to kernel32 with Win32 records made from ours; the system completes the
// requests and sets the events of our OVERLAPPED records, which are Win32 events.
#include <memory>
#include <mutex>
#include <string>

#include "platform/serial_api.h"
#include "platform/win32/overlapped_requests.h"
#include "platform/win32/windows_api.h"

namespace platform {

class Win32SerialDevice final : public SerialDevice {
 public:
  // Opens `name` ("\\.\COM7"); nullptr with the system's `error` when it cannot.
  static std::unique_ptr<Win32SerialDevice> Open(const std::string& name, uint32_t& error);
  // Closes the handle once the system is done with every request.
  ~Win32SerialDevice() override;
  Win32SerialDevice(const Win32SerialDevice&) = delete;
  Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

  bool SetupComm(uint32_t inQueue, uint32_t outQueue) override;
  bool GetCommState(DCB& dcb) override;
  // The DCB fields we do not keep stay as the driver has them.
  bool SetCommState(const DCB& dcb) override;
  bool SetCommMask(uint32_t mask) override;
  bool SetCommTimeouts(const COMMTIMEOUTS& timeouts) override;
  bool WaitCommEvent(uint32_t& mask, OVERLAPPED& overlapped) override;
  bool GetOverlappedResult(OVERLAPPED& overlapped, uint32_t& transferred, bool wait) override;
  bool ReadFile(void* buffer, uint32_t size, uint32_t& read, OVERLAPPED& overlapped) override;
  bool WriteFile(const void* data, uint32_t size, uint32_t& written,
                 OVERLAPPED& overlapped) override;
  bool ClearCommError(uint32_t& errors, COMSTAT& status) override;
  bool PurgeComm(uint32_t flags) override;
  bool EscapeCommFunction(uint32_t function) override;
  bool GetCommModemStatus(uint32_t& modemStatus) override;
  // Cancels the pending requests (kErrorOperationAborted); no new one starts.
  void Close() override;

 private:
  explicit Win32SerialDevice(HANDLE handle) : handle_(handle) {}

  // Starts an overlapped request with `start`(record) unless the device is closed; reports an
  // immediate completion or the pending state in `ours`.
  template <typename Start>
  bool StartRequest(OVERLAPPED& ours, DWORD& transferred, Start start);

  const HANDLE handle_;
  OverlappedRequests requests_;
  std::mutex startMutex_;  // a request starts entirely before or after Close
  bool closed_ = false;
};

}  // namespace platform
