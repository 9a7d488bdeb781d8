#include "tests/dispatcher/recording_window.h"

#include <map>

namespace sio::testing {

namespace {

std::map<platform::HWND, RecordingWindow*>& Windows() {
  static std::map<platform::HWND, RecordingWindow*> windows;
  return windows;
}

constexpr const char* kClassName = "recordingWindow";

}  // namespace

RecordingWindow::RecordingWindow(TSioBaseDispatcher& dispatcher) : dispatcher_(dispatcher) {
  platform::RegisterClass(kClassName, &RecordingWindow::Proc);  // false once registered
  window_ = platform::CreateWindow(kClassName);
  Windows()[window_] = this;
}

RecordingWindow::~RecordingWindow() {
  Windows().erase(window_);
  platform::DestroyWindow(window_);
}

platform::LRESULT RecordingWindow::Proc(platform::HWND window, uint32_t msg, platform::WPARAM w,
                                        platform::LPARAM l) {
  const auto it = Windows().find(window);
  if (it == Windows().end() || msg < TriggerAvailMsg || msg > ClosePendingMsg) {
    return platform::DefWindowProc(window, msg, w, l);
  }
  it->second->Handle(msg, w, l);
  return 0;
}

void RecordingWindow::Handle(uint32_t msg, platform::WPARAM w, platform::LPARAM l) {
  Delivery delivery{msg, static_cast<uint32_t>(w), static_cast<uint32_t>(l) & 0xFFFF, {}};
  if (msg == TriggerAvailMsg || msg == TriggerDataMsg) {
    const int offered = msg == TriggerAvailMsg ? static_cast<int>(w) : 0;
    const int count = takePerEvent_ < 0 ? offered : takePerEvent_;
    uint8_t ch = 0;
    for (int i = 0; i < count && dispatcher_.GetChar(ch) == 0; ++i) delivery.taken.push_back(ch);
  }
  deliveries_.push_back(delivery);
  if (action_) action_();
}

}  // namespace sio::testing
