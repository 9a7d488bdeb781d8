#include "platform/system_error.h"

#include <algorithm>
#include <array>
#include <utility>

namespace platform {

namespace {

thread_local uint32_t lastError = kErrorSuccess;

// The Windows message table texts of the numbers this system can produce.
constexpr std::array<std::pair<uint32_t, const char*>, 28> kTexts{{
    {kErrorSuccess, "The operation completed successfully.\r\n"},
    {kErrorInvalidFunction, "Incorrect function.\r\n"},
    {kErrorFileNotFound, "The system cannot find the file specified.\r\n"},
    {kErrorPathNotFound, "The system cannot find the path specified.\r\n"},
    {kErrorTooManyOpenFiles, "The system cannot open the file.\r\n"},
    {kErrorAccessDenied, "Access is denied.\r\n"},
    {kErrorInvalidHandle, "The handle is invalid.\r\n"},
    {kErrorNotEnoughMemory, "Not enough memory resources are available to process this command.\r\n"},
    {kErrorWriteProtect, "The media is write protected.\r\n"},
    {kErrorNotReady, "The device is not ready.\r\n"},
    {kErrorBadCommand, "The device does not recognize the command.\r\n"},
    {kErrorGenFailure, "A device attached to the system is not functioning.\r\n"},
    {kErrorSharingViolation,
     "The process cannot access the file because it is being used by another process.\r\n"},
    {kErrorHandleDiskFull, "The disk is full.\r\n"},
    {kErrorNotSupported, "The request is not supported.\r\n"},
    {kErrorFileExists, "The file exists.\r\n"},
    {kErrorInvalidParameter, "The parameter is incorrect.\r\n"},
    {kErrorBrokenPipe, "The pipe has been ended.\r\n"},
    {kErrorDiskFull, "There is not enough space on the disk.\r\n"},
    {kErrorBusy, "The requested resource is in use.\r\n"},
    {kErrorFilenameTooLong, "The filename or extension is too long.\r\n"},
    {kErrorFileTooLarge, "The file size exceeds the limit allowed and cannot be saved.\r\n"},
    {kErrorOperationAborted,
     "The I/O operation has been aborted because of either a thread exit or an application request.\r\n"},
    {kErrorIoIncomplete, "Overlapped I/O event is not in a signaled state.\r\n"},
    {kErrorIoPending, "Overlapped I/O operation is in progress.\r\n"},
    {kErrorIoDevice, "The request could not be performed because of an I/O device error.\r\n"},
    {kErrorDeviceNotConnected, "The device is not connected.\r\n"},
    {1295, "The requested operation cannot be completed due to a disk quota violation.\r\n"},
}};

}  // namespace

uint32_t GetLastError() { return lastError; }

void SetLastError(uint32_t code) { lastError = code; }

std::string SystemErrorText(uint32_t code) {
  const auto* it = std::find_if(kTexts.begin(), kTexts.end(),
                                [code](const auto& row) { return row.first == code; });
  return it == kTexts.end() ? std::string() : std::string(it->second);
}

}  // namespace platform
