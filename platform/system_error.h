#pragma once
// System error numbers in the Win32 numbering, which the serial component passes on negated
// (-5 access denied, -87 invalid parameter). Every OS error is mapped to this numbering here.
#include <cstdint>
#include <string>

namespace platform {

enum SystemError : uint32_t {
  kErrorSuccess = 0,
  kErrorInvalidFunction = 1,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorTooManyOpenFiles = 4,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorNotEnoughMemory = 8,
  kErrorWriteProtect = 19,
  kErrorNotReady = 21,
  kErrorBadCommand = 22,
  kErrorGenFailure = 31,
  kErrorSharingViolation = 32,
  kErrorHandleDiskFull = 39,
  kErrorNotSupported = 50,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorBrokenPipe = 109,
  kErrorDiskFull = 112,
  kErrorBusy = 170,
  kErrorFilenameTooLong = 206,
  kErrorFileTooLarge = 223,
  kErrorOperationAborted = 995,
  kErrorIoIncomplete = 996,
  kErrorIoPending = 997,
  kErrorIoDevice = 1117,
  kErrorDeviceNotConnected = 1167,
};

// The calling thread's last system error (GetLastError semantics).
uint32_t GetLastError();
void SetLastError(uint32_t code);

// Maps an errno value to the Win32 number with the same meaning (unknown ones to kErrorGenFailure).
uint32_t SystemErrorFromErrno(int err);

// The system's text for an error number, line end included, as the message table gives it;
// empty for a number without a text.
std::string SystemErrorText(uint32_t code);

}  // namespace platform
