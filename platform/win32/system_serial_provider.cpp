#include "platform/system_serial_provider.h"

#include "platform/win32/win32_serial_device.h"

namespace platform {

namespace {

// The system's serial devices by their device names ("\\.\COM1").
class Win32SerialDevices final : public SerialProvider {
 public:
  std::unique_ptr<SerialDevice> Open(const std::string& name, uint32_t& error) override {
    return Win32SerialDevice::Open(name, error);
  }
};

}  // namespace

SerialProvider& SystemSerialProvider() {
  static Win32SerialDevices provider;
  return provider;
}

}  // namespace platform
