#pragma once
// Our DCB and the Win32 one: the fields we keep are copied, the others stay as they are.
#include "platform/serial_api.h"
#include "platform/win32/windows_api.h"

namespace platform {

DCB FromNativeDcb(const ::DCB& native);
// Writes our fields into `native`, which holds the driver's settings for the others.
void ToNativeDcb(const DCB& dcb, ::DCB& native);

}  // namespace platform
