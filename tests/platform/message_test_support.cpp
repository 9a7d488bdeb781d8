#include "tests/platform/message_test_support.h"

#include <stdexcept>

namespace platform::testing {

namespace {

std::mutex recordMutex;
std::vector<Handled> handled;
Handle heldStarted = CreateEvent(true, false);
Handle releaseHeld = CreateEvent(true, false);

LRESULT RecordingProc(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kHoldMsg) {
    SetEvent(heldStarted);
    WaitForSingleObject(releaseHeld, kInfinite);
  }
  {
    std::lock_guard lock(recordMutex);
    handled.push_back({std::this_thread::get_id(), msg, wParam, lParam, InSendMessage()});
  }
  switch (msg) {
    case kEchoMsg:
      return lParam + 1;
    case kRelayMsg:
      return SendMessage(reinterpret_cast<HWND>(wParam), kEchoMsg, 0, lParam);
    case kThrowMsg:
      throw std::runtime_error("window procedure failed");
    default:
      return DefWindowProc(window, msg, wParam, lParam);
  }
}

}  // namespace

std::vector<Handled> HandledMessages() {
  std::lock_guard lock(recordMutex);
  return handled;
}

void ClearHandledMessages() {
  std::lock_guard lock(recordMutex);
  handled.clear();
  ResetEvent(heldStarted);
  ResetEvent(releaseHeld);
}

Handle HeldMessageStarted() { return heldStarted; }

void ReleaseHeldMessages() { SetEvent(releaseHeld); }

HWND MakeRecordingWindow() {
  static const bool registered = RegisterClass("recordingWindow", RecordingProc);
  return registered ? CreateWindow("recordingWindow") : nullptr;
}

Worker::Worker() : thread_([this] { Loop(); }) {}

Worker::~Worker() { Join(); }

void Worker::Run(std::function<void()> task) {
  std::future<void> done;
  {
    std::lock_guard lock(mutex_);
    tasks_.emplace_back(std::move(task));
    done = tasks_.back().get_future();
  }
  wake_.notify_one();
  done.get();
}

void Worker::Join() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void Worker::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !tasks_.empty(); });
    if (tasks_.empty()) return;
    auto task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
  }
}

PumpingOwner::PumpingOwner() {
  std::promise<HWND> ready;
  std::future<HWND> window = ready.get_future();
  thread_ = std::thread([this, ready = std::move(ready)]() mutable { Loop(ready); });
  window_ = window.get();
}

PumpingOwner::~PumpingOwner() {
  stop_ = true;
  PostMessage(window_, kOtherMsg, 0, 0);  // wakes the loop
  thread_.join();
}

void PumpingOwner::Loop(std::promise<HWND>& ready) {
  const HWND window = MakeRecordingWindow();
  MessageArrival arrival;
  ready.set_value(window);
  // stop_ is set before the wake-up is posted: once a pump took that message, it is seen here.
  while (!stop_ && arrival.Wait()) {
    MSG msg;
    while (PeekMessage(msg, true)) DispatchMessage(msg);
  }
  DestroyWindow(window);
}

}  // namespace platform::testing
