#include "platform/serial_api.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

#include "platform/system_error.h"
#include "platform/system_serial_provider.h"

namespace platform {

namespace {

std::atomic<SerialProvider*> installedProvider{nullptr};

SerialProvider& CurrentProvider() {
  SerialProvider* provider = installedProvider.load();
  return provider != nullptr ? *provider : SystemSerialProvider();
}

// The open devices. A call holds its device while it runs, so a CloseHandle on another
// thread cannot free the device under it; the device goes when the last such call returns.
class OpenDevices {
 public:
  void Add(std::unique_ptr<SerialDevice> device) {
    std::lock_guard lock(mutex_);
    SerialDevice* handle = device.get();
    devices_.emplace(handle, std::move(device));
  }

  std::shared_ptr<SerialDevice> Find(SerialHandle handle) {
    std::lock_guard lock(mutex_);
    const auto it = devices_.find(handle);
    return it == devices_.end() ? nullptr : it->second;
  }

  std::shared_ptr<SerialDevice> Remove(SerialHandle handle) {
    std::lock_guard lock(mutex_);
    const auto it = devices_.find(handle);
    if (it == devices_.end()) return nullptr;
    std::shared_ptr<SerialDevice> device = std::move(it->second);
    devices_.erase(it);
    return device;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<SerialHandle, std::shared_ptr<SerialDevice>> devices_;
};

OpenDevices& Devices() {
  static auto* devices = new OpenDevices;  // never destroyed: detached threads may outlive main
  return *devices;
}

template <typename Call>
bool OnDevice(SerialHandle handle, Call call) {
  const std::shared_ptr<SerialDevice> device = Devices().Find(handle);
  if (device == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  return call(*device);
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
  SerialHandle handle = device.get();
  Devices().Add(std::move(device));
  return handle;
}

bool CloseHandle(SerialHandle handle) {
  const std::shared_ptr<SerialDevice> device = Devices().Remove(handle);
  if (device == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  device->Close();
  return true;
}

bool SetupComm(SerialHandle device, uint32_t inQueue, uint32_t outQueue) {
  return OnDevice(device, [&](SerialDevice& d) { return d.SetupComm(inQueue, outQueue); });
}

bool GetCommState(SerialHandle device, DCB& dcb) {
  return OnDevice(device, [&](SerialDevice& d) { return d.GetCommState(dcb); });
}

bool SetCommState(SerialHandle device, const DCB& dcb) {
  return OnDevice(device, [&](SerialDevice& d) { return d.SetCommState(dcb); });
}

bool SetCommMask(SerialHandle device, uint32_t mask) {
  return OnDevice(device, [&](SerialDevice& d) { return d.SetCommMask(mask); });
}

bool SetCommTimeouts(SerialHandle device, const COMMTIMEOUTS& timeouts) {
  return OnDevice(device, [&](SerialDevice& d) { return d.SetCommTimeouts(timeouts); });
}

bool WaitCommEvent(SerialHandle device, uint32_t& mask, OVERLAPPED& overlapped) {
  return OnDevice(device, [&](SerialDevice& d) { return d.WaitCommEvent(mask, overlapped); });
}

bool GetOverlappedResult(SerialHandle device, OVERLAPPED& overlapped, uint32_t& transferred,
                         bool wait) {
  return OnDevice(device, [&](SerialDevice& d) {
    return d.GetOverlappedResult(overlapped, transferred, wait);
  });
}

bool ReadFile(SerialHandle device, void* buffer, uint32_t size, uint32_t& read,
              OVERLAPPED& overlapped) {
  return OnDevice(device,
                  [&](SerialDevice& d) { return d.ReadFile(buffer, size, read, overlapped); });
}

bool WriteFile(SerialHandle device, const void* data, uint32_t size, uint32_t& written,
               OVERLAPPED& overlapped) {
  return OnDevice(device,
                  [&](SerialDevice& d) { return d.WriteFile(data, size, written, overlapped); });
}

bool ClearCommError(SerialHandle device, uint32_t& errors, COMSTAT& status) {
  return OnDevice(device, [&](SerialDevice& d) { return d.ClearCommError(errors, status); });
}

bool PurgeComm(SerialHandle device, uint32_t flags) {
  return OnDevice(device, [&](SerialDevice& d) { return d.PurgeComm(flags); });
}

bool EscapeCommFunction(SerialHandle device, uint32_t function) {
  return OnDevice(device, [&](SerialDevice& d) { return d.EscapeCommFunction(function); });
}

bool GetCommModemStatus(SerialHandle device, uint32_t& modemStatus) {
  return OnDevice(device, [&](SerialDevice& d) { return d.GetCommModemStatus(modemStatus); });
}

void SetSerialProviderForTesting(SerialProvider* provider) { installedProvider.store(provider); }

}  // namespace platform
