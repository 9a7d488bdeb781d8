// The dispatcher with its three worker threads running over an in-memory device, events
// delivered to a window of the test thread while it pumps its messages.
#include <gtest/gtest.h>

#include <string>

#include "platform/messages.h"
#include "platform/sync.h"
#include "serial/error_strings.h"
#include "serial/exceptions.h"
#include "tests/dispatcher/manual_dispatcher.h"
#include "tests/dispatcher/recording_window.h"
#include "tests/support/pump_messages.h"

namespace sio::testing {
namespace {

using test_support::PumpUntil;

// Shows how many worker threads are counted.
class ObservedDispatcher : public TSioWin32Dispatcher {
 public:
  ObservedDispatcher() : TSioWin32Dispatcher(nullptr) {}
  // The threads go before this part of the object does: they call its virtual operations.
  ~ObservedDispatcher() override { Destroy(); }
  using TSioBaseDispatcher::LiveThreadCount;
  using TSioBaseDispatcher::ThreadAlive;
  bool SignalsOpen() const { return DeviceEventSignal != nullptr && PassDoneSignal != nullptr; }
};

class ThreadedDispatcher : public ::testing::Test {
 protected:
  static constexpr const char* kName = "\\\\.\\COM2";

  void SetUp() override {
    device = provider.AddDevice(kName);
    ASSERT_EQ(dispatcher->InitPort(kName, 9600, 0, 8, 1, 4096, 4096, kOptDtrOn | kOptRtsOn), 0);
    ASSERT_TRUE(dispatcher->ThreadsRunning());
    dispatcher->RegisterWindowHandler(window.Handle());
    dispatcher->UpdateHandlerFlags(1);
  }

  void Send(const std::string& text) {
    ASSERT_EQ(dispatcher->PutBlock(reinterpret_cast<const uint8_t*>(text.data()),
                                   static_cast<uint32_t>(text.size())), 0);
  }

  std::string Received() const {
    std::string all;
    for (const Delivery& d : window.Deliveries()) all.append(d.taken.begin(), d.taken.end());
    return all;
  }

  test_support::MemorySerialProvider provider;
  std::shared_ptr<test_support::MemorySerialDevice> device;
  std::unique_ptr<ObservedDispatcher> dispatcher = std::make_unique<ObservedDispatcher>();
  RecordingWindow window{*dispatcher};
};

TEST_F(ThreadedDispatcher, ReceivedBytesArriveAsAvailEventsOnTheWindowsThread) {
  dispatcher->SetAvailLength(1);
  device->Receive("BARO 1013.2 mbar\r");
  ASSERT_TRUE(PumpUntil([&] { return Received().size() == 17; }));
  EXPECT_EQ(Received(), "BARO 1013.2 mbar\r");
  EXPECT_EQ(window.Deliveries().front().msg, TriggerAvailMsg);
  EXPECT_EQ(window.Deliveries().front().lParamLow, 0u);
}

TEST_F(ThreadedDispatcher, QueuedBytesAreSentByTheOutputThread) {
  std::string big;
  for (int i = 0; i < 3000; ++i) big.push_back(static_cast<char>(i % 256));
  Send("remote\r");
  Send(big);
  EXPECT_TRUE(device->WaitUntil([&] { return device->Sent() == "remote\r" + big; }));
  EXPECT_TRUE(PumpUntil([&] { return dispatcher->OutCount() == 0; }));
}

TEST_F(ThreadedDispatcher, StartingTwiceRaisesAndLeavesTheThreadsRunning) {
  try {
    dispatcher->StartThreads();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Dispatcher already started");
  }
  EXPECT_TRUE(dispatcher->ThreadsRunning());
  dispatcher->SetAvailLength(1);
  device->Receive("x");
  EXPECT_TRUE(PumpUntil([&] { return Received() == "x"; }));
}

TEST_F(ThreadedDispatcher, PurgingAWriteThatNeverCompletesEmptiesTheRing) {
  device->SetWritesPend(true);
  Send("stuck");
  ASSERT_TRUE(device->WaitUntil([&] { return device->PendingWrites() == 1; }));
  EXPECT_EQ(dispatcher->FlushOutput(), 0);
  EXPECT_EQ(dispatcher->OutCount(), 0u);
  EXPECT_EQ(device->Sent(), "");
  device->SetWritesPend(false);
  Send("next");
  EXPECT_TRUE(device->WaitUntil([&] { return device->Sent() == "next"; }));
}

TEST_F(ThreadedDispatcher, ClosingEndsAllThreads) {
  dispatcher->DonePort();
  EXPECT_FALSE(dispatcher->ThreadsRunning());
  EXPECT_FALSE(device->IsOpen());
  dispatcher.reset();  // returns: no thread is left to wait for
}

TEST_F(ThreadedDispatcher, ClosingInsideADeliveryIsCompletedByTheDispatchThread) {
  dispatcher->SetAvailLength(1);
  bool closePendingSeen = false;
  int32_t writeAfterClose = 0;
  window.OnDelivery([&] {
    dispatcher->DonePort();
    closePendingSeen = dispatcher->ClosePending();
    const uint8_t late = 'x';
    writeAfterClose = dispatcher->PutBlock(&late, 1);  // the dispatch thread may be releasing
  });
  device->Receive("bye");
  ASSERT_TRUE(PumpUntil([&] { return !window.Deliveries().empty(); }));
  EXPECT_TRUE(closePendingSeen);
  EXPECT_EQ(writeAfterClose, kErrCommNotOpen);
  EXPECT_TRUE(PumpUntil([&] { return !dispatcher->ThreadsRunning(); }));
  EXPECT_FALSE(device->IsOpen());
  dispatcher.reset();
}

// A delivery waits for this thread, which closes without handling its messages first: not
// from inside the delivery, so the close is not deferred; the waiting delivery is handled
// while the close waits for the threads.
TEST_F(ThreadedDispatcher, ClosingOutsideADeliveryThatIsUnderWayIsNotDeferred) {
  dispatcher->SetAvailLength(1);
  device->Receive("x");
  for (int i = 0; i < 10000 && !dispatcher->InDispatch(); ++i) platform::Sleep(1);
  ASSERT_TRUE(dispatcher->InDispatch());
  dispatcher->DonePort();
  EXPECT_FALSE(dispatcher->ClosePending());
  EXPECT_FALSE(dispatcher->ThreadsRunning());
  EXPECT_EQ(window.Deliveries().size(), 1u);
}

// Held between the kill flag and the signals that follow it, the closer finds the dispatch
// and com threads ended on their own (the dispatch thread after its 50 ms wait): the release
// is still the closer's, so the events it signals next are still open, and every thread is
// stopped when DonePort returns.
TEST_F(ThreadedDispatcher, ThreadsEndingOnTheirOwnDuringACloseLeaveTheReleaseToTheCloser) {
  bool othersEnded = false;
  bool signalsOpen = false;
  device->HoldInNextMaskClear([&] {
    othersEnded = PumpUntil([&] {
      return !dispatcher->ThreadAlive(ThreadKind::kDispatch) && !dispatcher->ThreadAlive(ThreadKind::kCom);
    });
    signalsOpen = dispatcher->SignalsOpen();
  });
  dispatcher->DonePort();
  EXPECT_TRUE(othersEnded);
  EXPECT_TRUE(signalsOpen);
  EXPECT_FALSE(dispatcher->ThreadsRunning());
  EXPECT_EQ(dispatcher->LiveThreadCount(), 0);
  dispatcher.reset();
}

TEST_F(ThreadedDispatcher, AVanishedDeviceEndsTheComThreadButNotThePort) {
  device->Vanish();
  const std::string text = "lost";
  // Writes to a gone device fail and are dropped; nothing hangs.
  dispatcher->PutBlock(reinterpret_cast<const uint8_t*>(text.data()), 4);
  EXPECT_TRUE(PumpUntil([&] { return dispatcher->OutCount() == 0; }));
  EXPECT_TRUE(dispatcher->ThreadsRunning());
  // The failing waits are retried once per dispatch cycle, not in a busy loop.
  const uint32_t waits = device->Calls(test_support::SerialCall::kWaitCommEvent);
  PumpUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_LT(device->Calls(test_support::SerialCall::kWaitCommEvent) - waits, 100u);
  dispatcher->DonePort();
  EXPECT_FALSE(dispatcher->ThreadsRunning());
}

TEST_F(ThreadedDispatcher, ModemLineChangesReachAStatusTrigger) {
  const auto handle = static_cast<uint16_t>(dispatcher->AddStatusTrigger(kStatusModem));
  ASSERT_EQ(dispatcher->SetStatusTrigger(handle, 0x1000, true), 0);  // watch CTS, reference off
  device->SetModemLines(platform::kMsCtsOn);
  ASSERT_TRUE(PumpUntil([&] { return !window.Deliveries().empty(); }));
  EXPECT_EQ(window.Deliveries().front().msg, TriggerStatusMsg);
  EXPECT_EQ(window.Deliveries().front().wParam, handle);
}

}  // namespace
}  // namespace sio::testing
