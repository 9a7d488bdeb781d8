#pragma once
// The serial communications calls the device layer makes, with the semantics of their Win32
// namesakes: overlapped waits, reads and writes, line settings through a DCB, queue status
// through a COMSTAT. Each open device is a SerialDevice behind a SerialHandle; which kind of
// device a name opens is decided by the installed provider (termios on Linux, kernel32 on
// Windows, an in-memory device in tests).
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sync.h"

namespace platform {

// Line settings (the fields of the Win32 DCB that the dispatcher reads and writes).
enum : uint8_t { kDtrControlDisable = 0, kDtrControlEnable = 1, kDtrControlHandshake = 2 };
enum : uint8_t {
  kRtsControlDisable = 0,
  kRtsControlEnable = 1,
  kRtsControlHandshake = 2,
  kRtsControlToggle = 3
};
enum : uint8_t { kNoParity = 0, kOddParity = 1, kEvenParity = 2, kMarkParity = 3, kSpaceParity = 4 };
enum : uint8_t { kOneStopBit = 0, kOne5StopBits = 1, kTwoStopBits = 2 };

struct DCB {
  uint32_t BaudRate = 9600;
  bool fBinary = true;
  bool fParity = false;
  bool fOutxCtsFlow = false;
  bool fOutxDsrFlow = false;
  uint8_t fDtrControl = kDtrControlEnable;
  bool fDsrSensitivity = false;
  bool fTXContinueOnXoff = false;
  bool fOutX = false;
  bool fInX = false;
  bool fNull = false;
  uint8_t fRtsControl = kRtsControlEnable;
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint8_t ByteSize = 8;
  uint8_t Parity = kNoParity;
  uint8_t StopBits = kOneStopBit;
  char XonChar = 0x11;
  char XoffChar = 0x13;

  bool operator==(const DCB&) const = default;
};

struct COMSTAT {
  uint32_t cbInQue = 0;   // bytes received and not yet read
  uint32_t cbOutQue = 0;  // bytes queued and not yet sent
};

struct COMMTIMEOUTS {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;
};

// An overlapped request: `hEvent` is set when it completes (manual-reset events).
struct OVERLAPPED {
  Handle hEvent = nullptr;
  uint32_t Internal = 0;      // completion status (a system error number)
  uint32_t InternalHigh = 0;  // bytes transferred
};

// Event mask bits (SetCommMask / WaitCommEvent).
enum : uint32_t {
  kEvRxChar = 0x0001,
  kEvCts = 0x0008,
  kEvDsr = 0x0010,
  kEvRlsd = 0x0020,
  kEvBreak = 0x0040,
  kEvErr = 0x0080,
  kEvRing = 0x0100,
  kEvRing2 = 0x2000,  // trailing edge of the ring indicator
};
// Line error bits (ClearCommError).
enum : uint32_t { kCeRxOver = 0x01, kCeOverrun = 0x02, kCeRxParity = 0x04, kCeFrame = 0x08, kCeBreak = 0x10 };
// PurgeComm flags.
enum : uint32_t { kPurgeTxAbort = 0x01, kPurgeRxAbort = 0x02, kPurgeTxClear = 0x04, kPurgeRxClear = 0x08 };
// EscapeCommFunction functions.
enum : uint32_t { kSetRts = 3, kClrRts = 4, kSetDtr = 5, kClrDtr = 6, kGetBaseAddress = 10 };
// GetCommModemStatus bits.
enum : uint32_t { kMsCtsOn = 0x10, kMsDsrOn = 0x20, kMsRingOn = 0x40, kMsRlsdOn = 0x80 };

// One open serial device. Every call returns false on failure and then sets the calling
// thread's last error (platform::SetLastError) to a Win32 error number.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  virtual bool SetupComm(uint32_t inQueue, uint32_t outQueue) = 0;
  virtual bool GetCommState(DCB& dcb) = 0;
  virtual bool SetCommState(const DCB& dcb) = 0;
  virtual bool SetCommMask(uint32_t mask) = 0;
  virtual bool SetCommTimeouts(const COMMTIMEOUTS& timeouts) = 0;
  // Completes at once (true, mask filled) or pends (false, kErrorIoPending) until an enabled
  // event occurs or SetCommMask is called from any thread (mask 0 then).
  virtual bool WaitCommEvent(uint32_t& mask, OVERLAPPED& overlapped) = 0;
  virtual bool GetOverlappedResult(OVERLAPPED& overlapped, uint32_t& transferred, bool wait) = 0;
  virtual bool ReadFile(void* buffer, uint32_t size, uint32_t& read, OVERLAPPED& overlapped) = 0;
  virtual bool WriteFile(const void* data, uint32_t size, uint32_t& written,
                         OVERLAPPED& overlapped) = 0;
  virtual bool ClearCommError(uint32_t& errors, COMSTAT& status) = 0;
  virtual bool PurgeComm(uint32_t flags) = 0;
  virtual bool EscapeCommFunction(uint32_t function) = 0;
  virtual bool GetCommModemStatus(uint32_t& modemStatus) = 0;
  // Called once by CloseHandle: requests still pending end (kErrorOperationAborted), so calls
  // blocked in them on other threads return; the object is destroyed once no call runs on it.
  virtual void Close() {}
};

using SerialHandle = SerialDevice*;

// Opens devices by name. `Open` gives nullptr with `error` set when it cannot.
class SerialProvider {
 public:
  virtual ~SerialProvider() = default;
  virtual std::unique_ptr<SerialDevice> Open(const std::string& name, uint32_t& error) = 0;
};

// Opens the device "\\.\COM<n>" (or another name the provider knows) for exclusive use;
// nullptr with the last error set on failure.
SerialHandle CreateFileA(const std::string& name);
// Closes the device; false (kErrorInvalidHandle) when it was not open.
bool CloseHandle(SerialHandle device);

// The calls on an open device. Each fails (false, last error kErrorInvalidHandle) for a
// handle that is not open, as it does once another thread closed it.
bool SetupComm(SerialHandle device, uint32_t inQueue, uint32_t outQueue);
bool GetCommState(SerialHandle device, DCB& dcb);
bool SetCommState(SerialHandle device, const DCB& dcb);
bool SetCommMask(SerialHandle device, uint32_t mask);
bool SetCommTimeouts(SerialHandle device, const COMMTIMEOUTS& timeouts);
bool WaitCommEvent(SerialHandle device, uint32_t& mask, OVERLAPPED& overlapped);
bool GetOverlappedResult(SerialHandle device, OVERLAPPED& overlapped, uint32_t& transferred, bool wait);
bool ReadFile(SerialHandle device, void* buffer, uint32_t size, uint32_t& read, OVERLAPPED& overlapped);
bool WriteFile(SerialHandle device, const void* data, uint32_t size, uint32_t& written,
               OVERLAPPED& overlapped);
bool ClearCommError(SerialHandle device, uint32_t& errors, COMSTAT& status);
bool PurgeComm(SerialHandle device, uint32_t flags);
bool EscapeCommFunction(SerialHandle device, uint32_t function);
bool GetCommModemStatus(SerialHandle device, uint32_t& modemStatus);

// Installs the provider that CreateFileA uses (tests); nullptr restores the system's.
// The provider is not owned and must outlive every device it opened.
void SetSerialProviderForTesting(SerialProvider* provider);

}  // namespace platform
