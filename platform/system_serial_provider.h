#pragma once
// The provider CreateFileA falls back to when no other one is installed: the operating
// system's serial devices.
#include "platform/serial_api.h"

namespace platform {

SerialProvider& SystemSerialProvider();

}  // namespace platform
