// The port object opened over an in-memory device: opening on first use, the error mapping,
// events on the owning thread, closing (also from inside an event) and Assign.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/sync.h"
#include "serial/com_port.h"
#include "serial/exception_handler.h"
#include "serial/exceptions.h"
#include "serial/port_selection.h"
#include "serial/trigger_records.h"
#include "tests/support/memory_serial_device.h"
#include "tests/support/pump_messages.h"

namespace sio {
namespace {

using test_support::PumpUntil;

class OpenedPort : public ::testing::Test {
 protected:
  void SetUp() override {
    device = provider.AddDevice("\\\\.\\COM5");
    port.SetComNumber(5);
    port.SetOnTriggerAvail([this](TComponent*, uint16_t count) {
      counts.push_back(count);
      for (uint16_t i = 0; i < count; ++i) received.push_back(port.ReadChar());
    });
    previousHandler = SetExceptionHandler([this](const std::exception& e) { reported.push_back(e.what()); });
  }

  void TearDown() override { SetExceptionHandler(previousHandler); }

  test_support::MemorySerialProvider provider;
  std::shared_ptr<test_support::MemorySerialDevice> device;
  TSioComPort port;
  std::vector<uint16_t> counts;
  std::string received;
  std::vector<std::string> reported;
  ExceptionHandler previousHandler;
};

TEST_F(OpenedPort, WriteStringOpensTheConfiguredPortAndQueuesTheText) {
  port.WriteString("remote\r");
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(port.State(), cpsOpen);
  EXPECT_TRUE(device->WaitUntil([&] { return device->Sent() == "remote\r"; }));
  EXPECT_EQ(device->Dcb().BaudRate, 19200u);
}

TEST_F(OpenedPort, EmptyAndOversizedStringsSendNothing) {
  port.WriteString("");
  EXPECT_TRUE(port.Open());
  device->SetWritesPend(true);  // keep what is queued in the output ring
  port.WriteString(std::string(4000, 'a'));
  EXPECT_THROW(port.WriteString(std::string(200, 'b')), EOutputBufferTooSmall);
  device->SetWritesPend(false);
  device->CompleteWrite();
  EXPECT_TRUE(device->WaitUntil([&] { return device->Sent() == std::string(4000, 'a'); }));
}

TEST_F(OpenedPort, ReceivedBytesArriveInOnTriggerAvailOnTheOwningThread) {
  port.SetOpen(true);
  device->Receive("BARO 1013.2 mbar\r\n");
  ASSERT_TRUE(PumpUntil([&] { return received.size() == 18; }));
  EXPECT_EQ(received, "BARO 1013.2 mbar\r\n");
  EXPECT_EQ(counts.front(), 18);
}

TEST_F(OpenedPort, AnExceptionInAHandlerReachesTheApplicationAndThePortGoesOn) {
  bool raise = true;
  port.SetOnTriggerAvail([&](TComponent*, uint16_t count) {
    for (uint16_t i = 0; i < count; ++i) received.push_back(port.ReadChar());
    if (raise) throw std::runtime_error("handler failed");
  });
  port.SetOpen(true);
  device->Receive("a");
  ASSERT_TRUE(PumpUntil([&] { return !reported.empty(); }));
  EXPECT_EQ(reported.front(), "handler failed");
  raise = false;
  device->Receive("b");
  EXPECT_TRUE(PumpUntil([&] { return received == "ab"; }));
}

TEST_F(OpenedPort, ReadCharOnAnEmptyBufferRaises) {
  port.SetOpen(true);
  EXPECT_THROW(port.ReadChar(), EBufferIsEmpty);
}

TEST_F(OpenedPort, ClosingInsideTheAvailHandlerIsDeferred) {
  bool closedEvent = false;
  bool openDuringCloseEvent = false;
  port.SetOnPortClose([&](TComponent*) {
    closedEvent = true;
    openDuringCloseEvent = port.Open();
  });
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) { port.SetOpen(false); });
  port.SetOpen(true);
  device->Receive("x");
  ASSERT_TRUE(PumpUntil([&] { return closedEvent; }));
  EXPECT_TRUE(openDuringCloseEvent);
  EXPECT_TRUE(PumpUntil([&] { return port.State() == cpsClosed; }));
  EXPECT_FALSE(port.Open());
  EXPECT_FALSE(device->IsOpen());
}

TEST_F(OpenedPort, OpeningDuringADeferredCloseReopensAfterwards) {
  int opens = 0;
  port.SetOnPortOpen([&](TComponent*) { ++opens; });
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) {
    port.SetOpen(false);
    port.SetOpen(true);  // the close is still pending: remembered
  });
  port.SetOpen(true);
  device->Receive("x");
  ASSERT_TRUE(PumpUntil([&] { return opens == 2; }));
  EXPECT_EQ(port.State(), cpsOpen);
  EXPECT_TRUE(device->IsOpen());
}

TEST_F(OpenedPort, APortNumberChangeInsideAnEventEndsOnTheNewPort) {
  auto other = provider.AddDevice("\\\\.\\COM6");
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) { port.SetComNumber(6); });
  port.SetOpen(true);
  device->Receive("x");
  ASSERT_TRUE(PumpUntil([&] { return other->IsOpen(); }));
  EXPECT_EQ(port.State(), cpsOpen);
  EXPECT_EQ(port.ComNumber(), 6);
  EXPECT_FALSE(device->IsOpen());
}

TEST_F(OpenedPort, DestroyingAPortWhoseCloseIsDeferredCompletesTheClose) {
  auto doomed = std::make_unique<TSioComPort>();
  doomed->SetComNumber(5);
  bool inHandler = false;
  doomed->SetOnTriggerAvail([&](TComponent*, uint16_t) {
    inHandler = true;
    doomed->SetOpen(false);
  });
  doomed->SetOpen(true);
  device->Receive("x");
  while (!inHandler) {  // one message at a time, to stop while the close is still pending
    platform::PumpOneMessage();
    platform::Sleep(1);
  }
  ASSERT_EQ(doomed->State(), cpsClosing);
  doomed.reset();  // no ClosePendingMsg may reach it afterwards
  EXPECT_FALSE(device->IsOpen());
  PumpUntil([] { return false; }, std::chrono::milliseconds(100));
}

TEST_F(OpenedPort, OnTriggerSeesEveryMessageIncludingTheDeferredClose) {
  std::vector<uint16_t> messages;
  port.SetOnTrigger([&](TComponent*, uint16_t msg, uint16_t handle, uint16_t data) {
    messages.push_back(msg);
    if (msg == ClosePendingMsg) {
      EXPECT_EQ(handle, 0);
      EXPECT_EQ(data, 0);
    }
  });
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) { port.SetOpen(false); });
  port.SetOpen(true);
  device->Receive("x");
  ASSERT_TRUE(PumpUntil([&] { return port.State() == cpsClosed; }));
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages.front(), TriggerAvailMsg);
  EXPECT_EQ(messages.back(), ClosePendingMsg);
  // Once as the close is deferred, once more when the threads have ended; not re-posted as
  // fast as the queue turns.
  EXPECT_LE(std::count(messages.begin(), messages.end(), ClosePendingMsg), 2);
}

TEST_F(OpenedPort, TraceSwitchedOnIsWrittenAtClose) {
  const std::string traceFile = ::testing::TempDir() + "nimbrel_trace_" +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".trc";
  std::remove(traceFile.c_str());
  port.SetTraceName(traceFile);
  port.SetTracing(tlOn);
  port.WriteString("hi");
  ASSERT_TRUE(device->WaitUntil([&] { return device->Sent() == "hi"; }));
  port.SetOpen(false);
  EXPECT_EQ(port.Tracing(), tlOff);
  std::FILE* f = std::fopen(traceFile.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char text[64] = {};
  const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  EXPECT_EQ(std::string(text, n), "Transmit: \r\nhi");
  std::remove(traceFile.c_str());
}

TEST_F(OpenedPort, APortNumberChangeWhileOpenKeepsTheTriggersAndTheTrace) {
  auto other = provider.AddDevice("\\\\.\\COM6");
  port.SetTracing(tlOn);
  port.SetTraceName(::testing::TempDir() + "nimbrel_change.trc");
  port.SetOpen(true);
  port.SetComNumber(6);
  EXPECT_TRUE(port.Open());
  EXPECT_FALSE(device->IsOpen());
  EXPECT_TRUE(other->IsOpen());
  EXPECT_EQ(port.Tracing(), tlOn);
  other->Receive("z");
  EXPECT_TRUE(PumpUntil([&] { return received == "z"; }));  // the avail trigger came along
  port.SetOpen(false);
  std::remove((::testing::TempDir() + "nimbrel_change.trc").c_str());
}

struct OpenFailure {
  const char* scenario;
  uint16_t comNumber;
  uint32_t openError;
  int32_t code;
};

TEST_F(OpenedPort, FailedOpensRaiseTheirMappedErrorAndLeaveThePortClosed) {
  auto held = provider.AddDevice("\\\\.\\COM7");
  held->SetOpenError(5);
  const OpenFailure cases[] = {
      {"absent", 9, 0, -2001},
      {"held elsewhere", 7, 5, -2008},
  };
  for (const auto& c : cases) {
    TSioComPort failing;
    failing.SetComNumber(c.comNumber);
    try {
      failing.WriteString("x");
      ADD_FAILURE() << c.scenario << ": no exception";
    } catch (const ESioException& e) {
      EXPECT_EQ(e.ErrorCode(), c.code) << c.scenario;
    }
    EXPECT_FALSE(failing.Open()) << c.scenario;
    EXPECT_EQ(failing.State(), cpsClosed) << c.scenario;
  }
}

TEST_F(OpenedPort, ASecondPortObjectOnTheSameDeviceIsRefused) {
  port.SetOpen(true);
  TSioComPort second;
  second.SetComNumber(5);
  EXPECT_THROW(second.SetOpen(true), EAlreadyOpen);
}

TEST_F(OpenedPort, WithoutAutoOpenAClosedPortRaisesNotOpen) {
  port.SetAutoOpen(false);
  EXPECT_THROW(port.WriteString("x"), ECommNotOpen);
  EXPECT_FALSE(device->IsOpen());
}

TEST_F(OpenedPort, AssignFromAnOpenPortLeavesTheCopyClosedWithTheTriggersSaved) {
  port.SetBaud(9600);
  port.SetOpen(true);
  TSioComPort copy;
  bool ownLineErrorHandler = false;
  copy.SetOnTriggerLineError([&](TComponent*, uint16_t, bool) { ownLineErrorHandler = true; });
  copy.Assign(port);
  EXPECT_FALSE(copy.Open());
  EXPECT_EQ(copy.State(), cpsClosed);
  EXPECT_TRUE(copy.RestoreTriggersOnOpen());
  EXPECT_EQ(copy.ComNumber(), 5);
  EXPECT_EQ(copy.Baud(), 9600);
  ASSERT_TRUE(copy.OnTriggerLineError());
  copy.OnTriggerLineError()(&copy, 0, false);
  EXPECT_TRUE(ownLineErrorHandler);
}

TEST(ComPortSelection, WithoutAPortNumberThePromptDecides) {
  test_support::MemorySerialProvider provider;
  auto device = provider.AddDevice("\\\\.\\COM3");
  TSioComPort port;
  port.SetPromptForPort(false);
  EXPECT_THROW(port.SetOpen(true), ENoPortSelected);

  port.SetPromptForPort(true);
  EXPECT_THROW(port.SetOpen(true), ENoPortSelected);  // no prompt installed: as cancelled
  EXPECT_EQ(port.ComNumber(), 0);

  SetPortPrompt([] { return std::optional<int32_t>(); });
  EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
  EXPECT_EQ(port.ComNumber(), 0);
  EXPECT_FALSE(port.Open());

  SetPortPrompt([] { return std::optional<int32_t>(3); });
  port.SetOpen(true);
  EXPECT_EQ(port.ComNumber(), 3);
  EXPECT_TRUE(device->IsOpen());
  SetPortPrompt({});
}

}  // namespace
}  // namespace sio
