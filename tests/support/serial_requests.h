#pragma once
// Test support for the serial API: an overlapped request with its own event, and assertions
// on calls that must fail with a given system error.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/serial_api.h"
#include "platform/sync.h"
#include "platform/system_error.h"

namespace test_support {

constexpr uint32_t kGuardMs = 10000;  // how long a test waits for what must happen

// An OVERLAPPED record with its own manual-reset event.
struct Request {
  Request() { overlapped.hEvent = platform::CreateEvent(true, false); }
  ~Request() { platform::CloseHandle(overlapped.hEvent); }
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  bool Signalled() const {
    return platform::WaitForSingleObject(overlapped.hEvent, 0) == platform::kWaitObject0;
  }
  bool Completes() const {
    return platform::WaitForSingleObject(overlapped.hEvent, kGuardMs) == platform::kWaitObject0;
  }

  platform::OVERLAPPED overlapped;
};

// Whether a request just started with `started` as its result succeeded: at once, or once it
// completed after pending; `count` then holds the bytes it moved.
inline bool Finished(platform::SerialHandle device, bool started, Request& request,
                     uint32_t& count) {
  if (started) return true;
  if (platform::GetLastError() != platform::kErrorIoPending) return false;
  return platform::GetOverlappedResult(device, request.overlapped, count, true);
}

// The call failed and set the last error to `error`.
inline ::testing::AssertionResult FailedWith(bool result, uint32_t error) {
  const uint32_t lastError = platform::GetLastError();
  if (!result && lastError == error) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "result " << result << ", last error " << lastError
                                       << ", expected failure with " << error;
}

// Opening `name` fails with `error` (an opening that succeeds after all is closed again).
inline ::testing::AssertionResult OpenFailsWith(const std::string& name, uint32_t error) {
  platform::SerialHandle device = platform::CreateFileA(name);
  const ::testing::AssertionResult failed = FailedWith(device != nullptr, error);
  if (device != nullptr) platform::CloseHandle(device);
  return failed;
}

}  // namespace test_support
