#include "serial/port_presence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/serial_api.h"
#include "platform/system_error.h"
#include "serial/dispatcher_registry.h"
#include "tests/support/memory_serial_device.h"

namespace sio {
namespace {

std::string ComName(uint16_t n) { return "\\\\.\\COM" + std::to_string(n); }

class PortPresence : public testing::Test {
 protected:
  test_support::MemorySerialProvider provider_;
};

struct ProbeCase {
  const char* what;
  uint32_t openError;
  bool present;
};

TEST_F(PortPresence, OpenOutcomeDecidesAndTheProbeClosesThePortAgain) {
  const ProbeCase cases[] = {
      {"opens", platform::kErrorSuccess, true},
      {"held by another handle", platform::kErrorAccessDenied, true},
      {"sharing violation", platform::kErrorSharingViolation, false},
      {"general failure", platform::kErrorGenFailure, false},
      {"not found", platform::kErrorFileNotFound, false},
  };
  for (const ProbeCase& c : cases) {
    auto device = provider_.AddDevice(ComName(3));
    device->SetOpenError(c.openError);
    EXPECT_EQ(ComPortPresent(3), c.present) << c.what;
    EXPECT_FALSE(device->IsOpen()) << c.what;
  }
  EXPECT_FALSE(ComPortPresent(4)) << "no such device";
}

TEST_F(PortPresence, PortThisProcessHoldsOpenIsPresentAndStaysOpen) {
  auto device = provider_.AddDevice(ComName(2));
  const platform::SerialHandle holder = platform::CreateFileA(ComName(2));
  ASSERT_NE(holder, nullptr);
  EXPECT_TRUE(ComPortPresent(2));
  EXPECT_TRUE(device->IsOpen());
  platform::CloseHandle(holder);
}

TEST_F(PortPresence, PortZeroIsNeverPresent) {
  provider_.AddDevice(ComName(0));
  EXPECT_FALSE(ComPortPresent(0));
}

TEST_F(PortPresence, ProbesGiveTheirRegistrySlotBack) {
  provider_.AddDevice(ComName(1));
  provider_.AddDevice(ComName(5))->SetOpenError(platform::kErrorAccessDenied);
  const std::size_t before = DispatcherRegistry::Instance().Count();
  for (uint16_t n : {0, 1, 5, 9}) ComPortPresent(n);
  EXPECT_EQ(DispatcherRegistry::Instance().Count(), before);
}

TEST_F(PortPresence, ListHoldsPresentPortsUpToFiftyInAscendingOrder) {
  for (uint16_t n : {50, 3, 1, 51}) provider_.AddDevice(ComName(n));
  provider_.AddDevice(ComName(12))->SetOpenError(platform::kErrorAccessDenied);
  provider_.AddDevice(ComName(7))->SetOpenError(platform::kErrorGenFailure);
  EXPECT_EQ(PresentComPorts(), (std::vector<uint16_t>{1, 3, 12, 50}));
  EXPECT_TRUE(ComPortPresent(51));
}

}  // namespace
}  // namespace sio
