#include "platform/serial_api.h"

#include <atomic>

#include "platform/system_error.h"
#include "platform/system_serial_provider.h"

namespace platform {

namespace {

std::atomic<SerialProvider*> installedProvider{nullptr};

SerialProvider& CurrentProvider() {
  SerialProvider* provider = installedProvider.load();
  return provider != nullptr ? *provider : SystemSerialProvider();
}

}  // namespace

SerialHandle CreateFileA(const std::string& name) {
  uint32_t error = kErrorSuccess;
  std::unique_ptr<SerialDevice> device = CurrentProvider().Open(name, error);
  if (device == nullptr) {
    // A provider that fails without saying why still must not report success.
    SetLastError(error != kErrorSuccess ? error : kErrorGenFailure);
    return nullptr;
  }
  return device.release();
}

bool CloseHandle(SerialHandle device) {
  if (device == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  delete device;
  return true;
}

void SetSerialProviderForTesting(SerialProvider* provider) { installedProvider.store(provider); }

}  // namespace platform
