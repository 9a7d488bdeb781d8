#include "platform/messages.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <thread>

#include "tests/platform/message_test_support.h"

namespace platform::testing {
namespace {

class Messages : public ::testing::Test {
 protected:
  void SetUp() override { ClearHandledMessages(); }
  void TearDown() override {
    ReleaseHeldMessages();
    MSG msg;
    while (PeekMessage(msg, true)) {
    }
  }
};

TEST_F(Messages, SendMessageTimeoutIsHandledOnTheOwnerThreadAndReturnsTheResult) {
  PumpingOwner owner;
  LRESULT result = 0;
  ASSERT_TRUE(SendMessageTimeout(owner.Window(), kEchoMsg, 3, 41, kSmtoBlock, 3000, &result));
  EXPECT_EQ(result, 42);
  EXPECT_EQ(SendMessage(owner.Window(), kEchoMsg, 0, 9), 10);

  const auto handled = HandledMessages();
  ASSERT_EQ(handled.size(), 2u);
  for (const Handled& h : handled) EXPECT_EQ(h.thread, owner.Id());
  EXPECT_EQ(handled[0].wParam, 3u);
}

TEST_F(Messages, SendFromTheOwnerThreadIsADirectCall) {
  const HWND window = MakeRecordingWindow();
  LRESULT result = 0;
  ASSERT_TRUE(SendMessageTimeout(window, kEchoMsg, 0, 1, kSmtoBlock, 200, &result));
  EXPECT_EQ(result, 2);
  EXPECT_EQ(SendMessage(window, kEchoMsg, 0, 5), 6);
  EXPECT_EQ(HandledMessages().size(), 2u);
  DestroyWindow(window);
}

class MessagesToANonPumpingThread : public Messages,
                                    public ::testing::WithParamInterface<uint32_t> {};

TEST_P(MessagesToANonPumpingThread, TimeOutAndAreNeverHandledLater) {
  Worker worker;
  HWND window = nullptr;
  worker.Run([&] { window = MakeRecordingWindow(); });

  LRESULT result = -1;
  EXPECT_FALSE(SendMessageTimeout(window, kEchoMsg, 0, 1, kSmtoBlock, GetParam(), &result));
  EXPECT_EQ(result, -1);

  worker.Run([] {
    for (int i = 0; i < 3; ++i) PumpOneMessage();
  });
  EXPECT_TRUE(HandledMessages().empty());
}

INSTANTIATE_TEST_SUITE_P(ShortAndDeliveryTimeOut, MessagesToANonPumpingThread,
                         ::testing::Values(200u, 3000u));

TEST_F(Messages, AMessageAlreadyRunningAtTheTimeOutFinishesWithoutItsSender) {
  PumpingOwner owner;
  EXPECT_FALSE(SendMessageTimeout(owner.Window(), kHoldMsg, 0, 0, kSmtoBlock, 1000, nullptr));
  ASSERT_EQ(WaitForSingleObject(HeldMessageStarted(), 0), kWaitObject0) << "withdrawn, not running";
  ReleaseHeldMessages();
  // The owner handles the next message only after the held one has finished.
  LRESULT result = 0;
  ASSERT_TRUE(SendMessageTimeout(owner.Window(), kEchoMsg, 0, 1, kSmtoBlock, 3000, &result));
  EXPECT_EQ(result, 2);
  const auto handled = HandledMessages();
  ASSERT_EQ(handled.size(), 2u);
  EXPECT_EQ(handled[0].msg, kHoldMsg);
}

TEST_F(Messages, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  PumpingOwner owner;
  const HWND mine = MakeRecordingWindow();
  // The owner's procedure sends back to this thread while this thread waits in SendMessage.
  EXPECT_EQ(SendMessage(owner.Window(), kRelayMsg, AsWParam(mine), 7), 8);
  const auto handled = HandledMessages();
  ASSERT_EQ(handled.size(), 2u);
  EXPECT_EQ(handled[0].thread, owner.Id());
  EXPECT_EQ(handled[1].msg, kEchoMsg);
  EXPECT_EQ(handled[1].thread, std::this_thread::get_id());  // handled while this thread waited
  DestroyWindow(mine);
}

TEST_F(Messages, PostedMessagesArriveInOrderOnePerPump) {
  const HWND window = MakeRecordingWindow();
  Worker poster;
  poster.Run([&] {
    for (LPARAM i = 1; i <= 3; ++i) ASSERT_TRUE(PostMessage(window, kOtherMsg, 0, i));
  });
  for (LPARAM i = 4; i <= 5; ++i) ASSERT_TRUE(PostMessage(window, kOtherMsg, 0, i));

  for (size_t pumped = 1; pumped <= 5; ++pumped) {
    PumpOneMessage();
    const auto handled = HandledMessages();
    ASSERT_EQ(handled.size(), pumped);
    EXPECT_EQ(handled.back().lParam, static_cast<LPARAM>(pumped));
    EXPECT_EQ(handled.back().thread, std::this_thread::get_id());
  }
  MSG msg;
  EXPECT_FALSE(PeekMessage(msg, false));
  DestroyWindow(window);
}

TEST_F(Messages, PumpOneMessagePutsAQuitBackAndHandlesTheOtherMessagesFirst) {
  const HWND window = MakeRecordingWindow();
  PostQuitMessage(7);
  ASSERT_TRUE(PostMessage(window, kOtherMsg, 0, 1));

  PumpOneMessage();
  EXPECT_EQ(HandledMessages().size(), 1u);
  PumpOneMessage();
  EXPECT_EQ(HandledMessages().size(), 1u);

  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, true));
  EXPECT_EQ(msg.message, kWmQuit);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessage(msg, true));
  DestroyWindow(window);
}

TEST_F(Messages, PumpOneMessageAlsoHandlesMessagesSentFromOtherThreads) {
  const HWND window = MakeRecordingWindow();
  MessageArrival arrived;
  LRESULT result = 0;
  std::thread sender(
      [&] { SendMessageTimeout(window, kEchoMsg, 0, 1, kSmtoBlock, 60000, &result); });
  ASSERT_TRUE(arrived.Wait());
  PumpOneMessage();
  sender.join();
  EXPECT_EQ(result, 2);
  ASSERT_EQ(HandledMessages().size(), 1u);
  EXPECT_EQ(HandledMessages()[0].thread, std::this_thread::get_id());
  DestroyWindow(window);
}

TEST_F(Messages, InSendMessageTellsAMessageSentByAnotherThreadFromAPostedOrOwnOne) {
  const HWND window = MakeRecordingWindow();
  MessageArrival arrived;
  std::thread sender([&] { SendMessageTimeout(window, kEchoMsg, 0, 1, kSmtoBlock, 60000, nullptr); });
  ASSERT_TRUE(arrived.Wait());
  PumpOneMessage();
  sender.join();
  ASSERT_TRUE(PostMessage(window, kOtherMsg, 0, 2));
  PumpOneMessage();
  SendMessage(window, kEchoMsg, 0, 3);
  const auto handled = HandledMessages();
  ASSERT_EQ(handled.size(), 3u);
  EXPECT_TRUE(handled[0].sentByAnotherThread);
  EXPECT_FALSE(handled[1].sentByAnotherThread) << "posted";
  EXPECT_FALSE(handled[2].sentByAnotherThread) << "sent by the owner itself";
  EXPECT_FALSE(InSendMessage());
  DestroyWindow(window);
}

// What ends a wait that also watches the thread's messages; nothing does within the time-out.
TEST_F(Messages, MsgWaitEndsForASignalledObjectOrAWaitingMessage) {
  const HWND window = MakeRecordingWindow();
  const Handle event = CreateEvent(false, false);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, 20), kWaitTimeout);

  SetEvent(event);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, kInfinite), kWaitObject0);

  ASSERT_TRUE(PostMessage(window, kOtherMsg, 0, 1));  // already waiting
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, kInfinite), kWaitObject0 + 1);
  PumpOneMessage();

  Worker poster;
  std::thread later([&] {
    poster.Run([&] { PostMessage(window, kOtherMsg, 0, 2); });
  });
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, kInfinite), kWaitObject0 + 1);  // arrives
  later.join();
  PumpOneMessage();

  LRESULT result = 0;
  std::thread sender([&] { SendMessageTimeout(window, kEchoMsg, 0, 4, kSmtoBlock, 60000, &result); });
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, kInfinite), kWaitObject0);  // a send, no objects
  PumpOneMessage();
  sender.join();
  EXPECT_EQ(result, 5);
  EXPECT_EQ(HandledMessages().size(), 3u);
  CloseHandle(event);
  DestroyWindow(window);
}

TEST_F(Messages, ASendWhoseProcedureThrowsFailsAndTheExceptionReachesThePump) {
  const HWND window = MakeRecordingWindow();
  MessageArrival arrived;
  bool sent = true;
  std::thread sender(
      [&] { sent = SendMessageTimeout(window, kThrowMsg, 0, 0, kSmtoBlock, 60000, nullptr); });
  ASSERT_TRUE(arrived.Wait());
  EXPECT_THROW(PumpOneMessage(), std::runtime_error);
  sender.join();
  EXPECT_FALSE(sent);
  DestroyWindow(window);
}

TEST_F(Messages, ADestroyedWindowDropsItsMessagesAndRefusesNewOnes) {
  const HWND window = MakeRecordingWindow();
  ASSERT_TRUE(PostMessage(window, kOtherMsg, 0, 1));
  ASSERT_TRUE(DestroyWindow(window));

  MSG msg;
  EXPECT_FALSE(PeekMessage(msg, true));
  EXPECT_FALSE(PostMessage(window, kOtherMsg, 0, 2));
  EXPECT_FALSE(SendMessageTimeout(window, kEchoMsg, 0, 3, kSmtoBlock, 200, nullptr));
  EXPECT_EQ(SendMessage(window, kEchoMsg, 0, 4), 0);
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_TRUE(HandledMessages().empty());
}

TEST_F(Messages, DestroyingAWindowReleasesASenderThatWaitsForIt) {
  Worker worker;
  HWND window = nullptr;
  std::unique_ptr<MessageArrival> arrived;
  worker.Run([&] {
    window = MakeRecordingWindow();
    arrived = std::make_unique<MessageArrival>();
  });
  bool sent = true;
  std::thread sender(
      [&] { sent = SendMessageTimeout(window, kEchoMsg, 0, 1, kSmtoBlock, 60000, nullptr); });
  worker.Run([&] {
    EXPECT_TRUE(arrived->Wait());
    arrived.reset();
    DestroyWindow(window);
  });
  sender.join();
  EXPECT_FALSE(sent);
  EXPECT_TRUE(HandledMessages().empty());
}

TEST_F(Messages, WindowsOfAnEndedThreadAreGone) {
  Worker worker;
  HWND window = nullptr;
  worker.Run([&] { window = MakeRecordingWindow(); });
  worker.Join();
  EXPECT_FALSE(PostMessage(window, kOtherMsg, 0, 0));
  EXPECT_FALSE(SendMessageTimeout(window, kEchoMsg, 0, 0, kSmtoBlock, 60000, nullptr));
}

TEST_F(Messages, OnlyTheOwnerThreadRunsOrDestroysItsWindow) {
  Worker worker;
  HWND window = nullptr;
  worker.Run([&] { window = MakeRecordingWindow(); });
  EXPECT_EQ(DispatchMessage(MSG{window, kEchoMsg, 0, 1}), 0);
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_TRUE(HandledMessages().empty());
  worker.Run([&] { EXPECT_TRUE(DestroyWindow(window)); });
}

TEST_F(Messages, ClassesAndWindowsNeedValidNames) {
  EXPECT_FALSE(RegisterClass("", DefWindowProc));
  EXPECT_FALSE(RegisterClass("noProcedure", nullptr));
  const HWND window = MakeRecordingWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(RegisterClass("recordingWindow", DefWindowProc));
  EXPECT_EQ(CreateWindow("neverRegistered"), nullptr);
  DestroyWindow(window);
}

}  // namespace
}  // namespace platform::testing
