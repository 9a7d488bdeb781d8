#include "platform/system_serial_provider.h"

#include "platform/system_error.h"

namespace platform {

namespace {

// No serial devices yet: every name is reported as not existing.
class NoSerialDevices final : public SerialProvider {
 public:
  std::unique_ptr<SerialDevice> Open(const std::string&, uint32_t& error) override {
    error = kErrorFileNotFound;
    return nullptr;
  }
};

}  // namespace

SerialProvider& SystemSerialProvider() {
  static NoSerialDevices provider;
  return provider;
}

}  // namespace platform
