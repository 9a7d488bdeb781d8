#include "tests/support/pump_messages.h"

#include "platform/messages.h"
#include "platform/sync.h"

namespace test_support {

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    platform::MSG msg;
    while (platform::PeekMessage(msg, true)) {
      platform::TranslateMessage(msg);
      platform::DispatchMessage(msg);
    }
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform::Sleep(1);
  }
  return true;
}

}  // namespace test_support
