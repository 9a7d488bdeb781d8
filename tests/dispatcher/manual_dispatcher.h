#pragma once
// A dispatcher over an in-memory device whose worker threads are not started: the tests
// drive the dispatch passes and the output thread's write step by hand, on the test thread.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "serial/win32_dispatcher.h"
#include "tests/support/memory_serial_device.h"

namespace sio::testing {

class ManualDispatcher : public TSioWin32Dispatcher {
 public:
  ManualDispatcher() : TSioWin32Dispatcher(nullptr) {}
  ~ManualDispatcher() override = default;

  void StartThreads() override {}
  void StopThreads() override {}

  // Reads what the device holds into the ring and scans it, as one event pass does.
  void Pass() {
    ReadIntoBuffer();
    while (CheckReceivedData()) {
    }
  }

  using TSioBaseDispatcher::DeviceStatus;
  using TSioBaseDispatcher::InHead;
  using TSioBaseDispatcher::InRingFull;
  using TSioBaseDispatcher::InTail;
  using TSioBaseDispatcher::LineErrorBits;
  using TSioBaseDispatcher::ModemState;
  using TSioBaseDispatcher::NotifyHandlers;
  using TSioBaseDispatcher::OutHead;
  using TSioBaseDispatcher::OutRingFull;
  using TSioBaseDispatcher::OutTail;
  using TSioBaseDispatcher::HandlersPresent;
  using TSioBaseDispatcher::PortHandlerFlag;
  using TSioBaseDispatcher::WindowHandlers;
  using TSioWin32Dispatcher::DeviceEventMask;
};

// A fresh COM1 in memory, opened 9600 8N1 with 4096-byte queues.
class OpenPortFixture : public ::testing::Test {
 protected:
  static constexpr const char* kName = "\\\\.\\COM1";

  void SetUp() override {
    device = provider.AddDevice(kName);
    ASSERT_EQ(dispatcher.InitPort(kName, 9600, 0, 8, 1, 4096, 4096, kOptDtrOn | kOptRtsOn), 0);
  }

  test_support::MemorySerialProvider provider;
  std::shared_ptr<test_support::MemorySerialDevice> device;
  ManualDispatcher dispatcher;
};

}  // namespace sio::testing
