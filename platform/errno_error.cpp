// SystemErrorFromErrno: the same for every system, as the C runtime's errno names are.
#include <algorithm>
#include <cerrno>
#include <iterator>
#include <utility>

#include "platform/system_error.h"

namespace platform {

namespace {

constexpr std::pair<int, uint32_t> kErrnoMap[] = {
    {0, kErrorSuccess},
    {ENOENT, kErrorFileNotFound},
    {ENOTDIR, kErrorPathNotFound},
    {EMFILE, kErrorTooManyOpenFiles},
    {ENFILE, kErrorTooManyOpenFiles},
    {EACCES, kErrorAccessDenied},
    {EPERM, kErrorAccessDenied},
    {EISDIR, kErrorAccessDenied},
    {EROFS, kErrorWriteProtect},
    {EBADF, kErrorInvalidHandle},
    {ENOMEM, kErrorNotEnoughMemory},
    {ENOSPC, kErrorDiskFull},
#ifdef EDQUOT  // not in the Windows C runtime
    {EDQUOT, 1295},
#endif
    {EEXIST, kErrorFileExists},
    {EINVAL, kErrorInvalidParameter},
    {EPIPE, kErrorBrokenPipe},
    {EBUSY, kErrorBusy},
    {ETXTBSY, kErrorSharingViolation},
    {ENAMETOOLONG, kErrorFilenameTooLong},
    {EFBIG, kErrorFileTooLarge},
    {ECANCELED, kErrorOperationAborted},
    {EIO, kErrorIoDevice},
    {ENXIO, kErrorDeviceNotConnected},
    {ENODEV, kErrorDeviceNotConnected},
    {ENOTTY, kErrorNotSupported},
};

}  // namespace

uint32_t SystemErrorFromErrno(int err) {
  const auto* it = std::find_if(std::begin(kErrnoMap), std::end(kErrnoMap),
                                [err](const auto& row) { return row.first == err; });
  return it != std::end(kErrnoMap) ? it->second : kErrorGenFailure;
}

}  // namespace platform
