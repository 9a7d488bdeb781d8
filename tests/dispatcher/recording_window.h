#pragma once
// A hidden window on the test thread that records the trigger messages it gets and, for
// avail and data events, reads a chosen number of bytes from the dispatcher while handling.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/messages.h"
#include "serial/dispatcher.h"

namespace sio::testing {

struct Delivery {
  uint32_t msg;
  uint32_t wParam;
  uint32_t lParamLow;
  std::vector<uint8_t> taken;
};

class RecordingWindow {
 public:
  explicit RecordingWindow(TSioBaseDispatcher& dispatcher);
  ~RecordingWindow();
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  platform::HWND Handle() const { return window_; }
  // Bytes to read in each avail or data event (negative: all an avail event offers).
  void TakePerEvent(int count) { takePerEvent_ = count; }
  // Runs inside the handler, after reading.
  void OnDelivery(std::function<void()> action) { action_ = std::move(action); }
  const std::vector<Delivery>& Deliveries() const { return deliveries_; }

 private:
  static platform::LRESULT Proc(platform::HWND window, uint32_t msg, platform::WPARAM w, platform::LPARAM l);
  void Handle(uint32_t msg, platform::WPARAM w, platform::LPARAM l);

  TSioBaseDispatcher& dispatcher_;
  platform::HWND window_;
  int takePerEvent_ = -1;
  std::function<void()> action_;
  std::vector<Delivery> deliveries_;
};

}  // namespace sio::testing
