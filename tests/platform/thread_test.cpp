#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/sync.h"
#include "tests/platform/own_priority.h"

namespace platform {
namespace {

using testing::IdleSystemPriority;
using testing::OwnSystemPriority;

// Events for a thread body that reports back and waits for permission to end.
struct Handshake {
  Handle reported = CreateEvent(false, false);
  Handle mayEnd = CreateEvent(false, false);
  Handle ended = CreateEvent(false, false);
  ~Handshake() {
    CloseHandle(reported);
    CloseHandle(mayEnd);
    CloseHandle(ended);
  }
};

TEST(Thread, RunsTheBodyOnItsOwnThread) {
  Handshake h;
  std::atomic<bool> current{false};
  std::atomic<bool> main{true};
  std::unique_ptr<Thread> thread;
  std::atomic<Thread*> self{nullptr};
  thread = Thread::Start([&] {
    WaitForSingleObject(h.mayEnd, kInfinite);
    current = self.load()->IsCurrent();
    main = IsMainThread();
    SetEvent(h.ended);
  });
  ASSERT_NE(thread, nullptr);
  self = thread.get();
  SetEvent(h.mayEnd);
  ASSERT_EQ(WaitForSingleObject(h.ended, kInfinite), kWaitObject0);
  EXPECT_TRUE(current);
  EXPECT_FALSE(main);
  EXPECT_FALSE(thread->IsCurrent());
  EXPECT_TRUE(IsMainThread());
}

TEST(Thread, PriorityChangesReachTheThreadAndNeverFail) {
  Handshake h;
  std::atomic<int> priority{0};
  const int mainPriority = OwnSystemPriority();
  auto thread = Thread::Start([&] {
    WaitForSingleObject(h.mayEnd, kInfinite);
    priority = OwnSystemPriority();
    SetEvent(h.ended);
  });
  // Requested before or after the thread got going; raising priority may be refused.
  for (ThreadPriority p : {ThreadPriority::kTimeCritical, ThreadPriority::kHighest,
                           ThreadPriority::kHigher, ThreadPriority::kNormal, ThreadPriority::kLower,
                           ThreadPriority::kLowest, ThreadPriority::kIdle}) {
    thread->SetPriority(p);
  }
  SetEvent(h.mayEnd);
  ASSERT_EQ(WaitForSingleObject(h.ended, kInfinite), kWaitObject0);
  EXPECT_EQ(priority, IdleSystemPriority());
  EXPECT_EQ(OwnSystemPriority(), mainPriority) << "the caller's own priority is untouched";
}

TEST(Thread, JoiningOrDestroyingWaitsForTheBodyAndLeavesAnEndedThreadUsable) {
  Handshake h;
  auto ended = Thread::Start([&] { SetEvent(h.ended); });
  ended->Join();
  EXPECT_EQ(WaitForSingleObject(h.ended, 0), kWaitObject0);
  ended->Join();  // a second join returns at once
  ended->SetPriority(ThreadPriority::kIdle);
  EXPECT_FALSE(ended->IsCurrent());

  auto dropped = Thread::Start([&] {
    WaitForSingleObject(h.mayEnd, kInfinite);
    Sleep(20);  // the body is still running when the object goes
    SetEvent(h.reported);
  });
  SetEvent(h.mayEnd);
  dropped.reset();
  EXPECT_EQ(WaitForSingleObject(h.reported, 0), kWaitObject0);
}

}  // namespace
}  // namespace platform
