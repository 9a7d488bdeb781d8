#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace platform {
namespace {

// Closes the events of a test however it ends.
struct Events {
  std::vector<Handle> handles;
  Handle Make(bool manualReset, bool initialState = false) {
    return handles.emplace_back(CreateEvent(manualReset, initialState));
  }
  ~Events() {
    for (Handle h : handles) CloseHandle(h);
  }
};

struct ResetCase {
  bool manualReset;
  uint32_t secondWait;
};

TEST(Events, AutoResetReleasesOneWaitManualResetStaysSignalled) {
  const ResetCase cases[] = {{false, kWaitTimeout}, {true, kWaitObject0}};
  for (const ResetCase& c : cases) {
    Events events;
    const Handle e = events.Make(c.manualReset);
    EXPECT_EQ(WaitForSingleObject(e, 0), kWaitTimeout);
    ASSERT_TRUE(SetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), kWaitObject0) << c.manualReset;
    EXPECT_EQ(WaitForSingleObject(e, 0), c.secondWait) << c.manualReset;
    ASSERT_TRUE(ResetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 50), kWaitTimeout) << c.manualReset;
  }
}

TEST(Events, CanStartSignalled) {
  Events events;
  EXPECT_EQ(WaitForSingleObject(events.Make(false, true), 0), kWaitObject0);
}

// Threads that each wait once on `event` and then report through `done`.
class Waiters {
 public:
  Waiters(int count, Handle event, Handle done) {
    for (int i = 0; i < count; ++i) {
      threads_.emplace_back([event, done, this] {
        if (WaitForSingleObject(event, kInfinite) == kWaitObject0) ++released_;
        SetEvent(done);
      });
    }
  }
  ~Waiters() {
    for (auto& t : threads_) t.join();
  }
  int Released() const { return released_; }

 private:
  std::atomic<int> released_{0};
  std::vector<std::thread> threads_;
};

TEST(Events, OneSetOfAnAutoResetEventReleasesExactlyOneOfSeveralWaiters) {
  Events events;
  const Handle e = events.Make(false);
  const Handle done = events.Make(false);
  Waiters waiters(2, e, done);

  SetEvent(e);
  ASSERT_EQ(WaitForSingleObject(done, kInfinite), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(done, 200), kWaitTimeout);
  EXPECT_EQ(waiters.Released(), 1);

  SetEvent(e);
  ASSERT_EQ(WaitForSingleObject(done, kInfinite), kWaitObject0);
  EXPECT_EQ(waiters.Released(), 2);
}

TEST(Events, OneSetOfAManualResetEventReleasesEveryWaiter) {
  Events events;
  const Handle e = events.Make(true);
  const Handle done = events.Make(true);
  {
    Waiters waiters(3, e, done);
    SetEvent(e);
  }
  EXPECT_EQ(WaitForSingleObject(e, 0), kWaitObject0);
}

TEST(WaitForMultipleObjects, ReturnsTheLowestSignalledIndexAndConsumesOnlyThatOne) {
  struct Case {
    bool setReady, setFlush;
    std::vector<uint32_t> waits;  // results of successive waits without time
  };
  const Case cases[] = {
      {false, false, {kWaitTimeout}},
      {true, false, {kWaitObject0, kWaitTimeout}},
      {false, true, {kWaitObject0 + 1, kWaitTimeout}},
      {true, true, {kWaitObject0, kWaitObject0 + 1, kWaitTimeout}},
  };
  for (const Case& c : cases) {
    Events events;
    const Handle pair[] = {events.Make(false), events.Make(false)};
    if (c.setReady) SetEvent(pair[0]);
    if (c.setFlush) SetEvent(pair[1]);
    for (uint32_t expected : c.waits) {
      EXPECT_EQ(WaitForMultipleObjects(2, pair, 0), expected) << c.setReady << c.setFlush;
    }
  }
}

TEST(WaitForMultipleObjects, ManualResetMemberStaysSignalled) {
  Events events;
  const Handle pair[] = {events.Make(true), events.Make(false)};
  SetEvent(pair[0]);
  SetEvent(pair[1]);
  EXPECT_EQ(WaitForMultipleObjects(2, pair, 0), kWaitObject0);
  EXPECT_EQ(WaitForMultipleObjects(2, pair, 0), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(pair[1], 0), kWaitObject0);
}

TEST(WaitForMultipleObjects, WakesABlockedWaiterWithTheIndexThatFired) {
  Events events;
  const Handle pair[] = {events.Make(false), events.Make(false)};
  uint32_t result = kWaitFailed;
  std::thread waiter([&] { result = WaitForMultipleObjects(2, pair, kInfinite); });
  SetEvent(pair[1]);
  waiter.join();
  EXPECT_EQ(result, kWaitObject0 + 1);
}

TEST(WaitForMultipleObjects, AnEventSharedWithAnotherWaiterIsNotLost) {
  // One thread waits on {a, b}, another on b alone; a set of a and then of b wakes both.
  // Each reports through its own event: two sets of one auto-reset event may count as one.
  Events events;
  const Handle pair[] = {events.Make(false), events.Make(false)};
  const Handle eitherDone = events.Make(false);
  const Handle onlyBDone = events.Make(false);
  std::thread either([&] {
    WaitForMultipleObjects(2, pair, kInfinite);
    SetEvent(eitherDone);
  });
  {
    Waiters onlyB(1, pair[1], onlyBDone);
    SetEvent(pair[0]);
    SetEvent(pair[1]);
    for (Handle done : {eitherDone, onlyBDone}) {
      ASSERT_EQ(WaitForSingleObject(done, 60000), kWaitObject0);
    }
  }
  either.join();
}

TEST(WaitForMultipleObjects, TimesOutWhenNothingIsSignalled) {
  Events events;
  const Handle pair[] = {events.Make(false), events.Make(true)};
  EXPECT_EQ(WaitForMultipleObjects(2, pair, 100), kWaitTimeout);
}

TEST(Events, InvalidHandlesFail) {
  Events events;
  const Handle withNull[] = {events.Make(false), nullptr};
  EXPECT_EQ(WaitForMultipleObjects(2, withNull, 0), kWaitFailed);
  EXPECT_EQ(WaitForMultipleObjects(0, withNull, 0), kWaitFailed);
  EXPECT_EQ(WaitForSingleObject(nullptr, 0), kWaitFailed);
  EXPECT_FALSE(SetEvent(nullptr));
  EXPECT_FALSE(ResetEvent(nullptr));
  EXPECT_FALSE(CloseHandle(nullptr));
}

TEST(CriticalSection, IsReEntrantAndExcludesOtherThreadsUntilFullyLeft) {
  CriticalSection section;
  Events events;
  const Handle acquired = events.Make(true);
  section.Enter();
  {
    Lock again(section);
  }
  std::thread other([&] {
    Lock lock(section);
    SetEvent(acquired);
  });
  EXPECT_EQ(WaitForSingleObject(acquired, 200), kWaitTimeout);
  section.Leave();
  EXPECT_EQ(WaitForSingleObject(acquired, kInfinite), kWaitObject0);
  other.join();
}

}  // namespace
}  // namespace platform
