#include "platform/system_serial_provider.h"

#include "platform/posix/com_port_names.h"
#include "platform/posix/termios_device.h"
#include "platform/system_error.h"

namespace platform {

namespace {

// The ttys of this system under their COM names (see com_port_names.h).
class TtySerialDevices final : public SerialProvider {
 public:
  std::unique_ptr<SerialDevice> Open(const std::string& name, uint32_t& error) override {
    const std::optional<std::string> path = ComPortPath(name);
    if (!path) {
      error = kErrorFileNotFound;
      return nullptr;
    }
    return TermiosDevice::Open(*path, error);
  }
};

}  // namespace

SerialProvider& SystemSerialProvider() {
  static TtySerialDevices provider;
  return provider;
}

}  // namespace platform
