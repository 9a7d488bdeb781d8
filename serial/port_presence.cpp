#include "serial/port_presence.h"

#include <string>

#include "platform/system_error.h"
#include "serial/win32_dispatcher.h"

namespace sio {

namespace {

constexpr uint32_t kProbeQueueSize = 64;

std::string ComDeviceName(uint16_t n) { return "\\\\.\\COM" + std::to_string(n); }

}  // namespace

bool ComPortPresent(uint16_t n) {
  if (n == 0) return false;
  // The probe occupies a registry slot while it exists and is destroyed on every path.
  TSioWin32Dispatcher probe(nullptr);
  if (probe.OpenDevice(ComDeviceName(n), kProbeQueueSize, kProbeQueueSize) >= 0) {
    probe.CloseDevice();
    return true;
  }
  // Exclusive opening: access denied means another handle holds the port.
  return platform::GetLastError() == platform::kErrorAccessDenied;
}

std::vector<uint16_t> PresentComPorts() {
  std::vector<uint16_t> ports;
  for (uint16_t n = 1; n <= kHighestListedPort; ++n) {
    if (ComPortPresent(n)) ports.push_back(n);
  }
  return ports;
}

}  // namespace sio
