#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "tests/platform/message_test_support.h"

namespace platform::testing {
namespace {

// Records the threads that called a hook.
struct HookCalls {
  std::mutex mutex;
  std::vector<std::thread::id> threads;

  std::function<void()> Hook() {
    return [this] {
      std::lock_guard lock(mutex);
      threads.push_back(std::this_thread::get_id());
    };
  }
  std::vector<std::thread::id> Threads() {
    std::lock_guard lock(mutex);
    return threads;
  }
};

class MessageArrivalHook : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearHandledMessages();
    worker.Run([this] {
      window = MakeRecordingWindow();
      SetMessageArrivalHook(workerCalls.Hook());
    });
  }

  HookCalls workerCalls;  // outlives the worker, whose hook refers to it
  Worker worker;
  HWND window = nullptr;
};

TEST_F(MessageArrivalHook, FiresOnTheQueueingThreadForPostedAndSentMessages) {
  HookCalls mainCalls;
  ScopedArrivalHook mainHook(mainCalls.Hook());

  ASSERT_TRUE(PostMessage(window, kOtherMsg, 0, 0));
  EXPECT_FALSE(SendMessageTimeout(window, kEchoMsg, 0, 0, kSmtoBlock, 200, nullptr));
  std::thread other([this] { PostMessage(window, kOtherMsg, 0, 1); });
  const std::thread::id otherId = other.get_id();
  other.join();

  const std::vector<std::thread::id> expected{std::this_thread::get_id(),
                                              std::this_thread::get_id(), otherId};
  EXPECT_EQ(workerCalls.Threads(), expected);
  EXPECT_TRUE(mainCalls.Threads().empty()) << "only the hook of the receiving thread fires";
}

TEST_F(MessageArrivalHook, ARemovedHookIsNotCalled) {
  worker.Run([] { SetMessageArrivalHook({}); });
  ASSERT_TRUE(PostMessage(window, kOtherMsg, 0, 0));
  EXPECT_TRUE(workerCalls.Threads().empty());
}

TEST_F(MessageArrivalHook, MayQueueMessagesItself) {
  const HWND mine = MakeRecordingWindow();
  worker.Run([this, mine] {
    SetMessageArrivalHook([this, mine] {
      workerCalls.Hook()();
      PostMessage(mine, kOtherMsg, 0, 0);
    });
  });
  ASSERT_TRUE(PostMessage(window, kOtherMsg, 0, 0));
  EXPECT_EQ(workerCalls.Threads().size(), 1u);

  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, true));
  EXPECT_EQ(msg.window, mine);
  DestroyWindow(mine);
}

}  // namespace
}  // namespace platform::testing
