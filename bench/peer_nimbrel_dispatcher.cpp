// Harness peer for the dispatcher alone, without the port object: the same device, worker
// threads and avail delivery, with a hidden window of its own that takes each byte with
// GetChar and sends with PutBlock. Against peer_nimbrel it shows what the port object adds.
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/workloads.h"
#include "platform/messages.h"
#include "serial/dispatcher.h"
#include "serial/win32_dispatcher.h"

namespace nimbrel_bench {

namespace {

constexpr const char* kClassName = "benchDispatcherWindow";
constexpr const char* kPortName = "\\\\.\\COM1";
constexpr uint16_t kQueueSize = 4096;

class DispatcherBenchPort : public BenchPort {
 public:
  std::string Open(const std::string& tty, BytesHandler onBytes) override {
    setenv("SIO_COM1", tty.c_str(), 1);
    onBytes_ = std::move(onBytes);
    active_ = this;
    platform::RegisterClass(kClassName, &WindowProc);
    window_ = platform::CreateWindow(kClassName);
    const int32_t result = dispatcher_.InitPort(kPortName, 115200, platform::kNoParity, 8, 1, kQueueSize,
                                                kQueueSize, sio::kOptDtrOn | sio::kOptRtsOn);
    if (result != 0) return "error_" + std::to_string(result);
    dispatcher_.UpdateHandlerFlags(1);
    dispatcher_.SetAvailLength(1);
    dispatcher_.RegisterWindowHandler(window_);
    return {};
  }

  bool Send(const std::string& bytes) override {
    return dispatcher_.PutBlock(reinterpret_cast<const uint8_t*>(bytes.data()),
                                static_cast<uint32_t>(bytes.size())) == 0;
  }

  void Close() override {
    dispatcher_.DeregisterWindowHandler(window_);
    dispatcher_.DonePort();
    platform::DestroyWindow(window_);
    active_ = nullptr;
  }

 private:
  static platform::LRESULT WindowProc(platform::HWND window, uint32_t msg, platform::WPARAM wParam,
                                      platform::LPARAM lParam) {
    if (msg != sio::TriggerAvailMsg || active_ == nullptr) {
      return platform::DefWindowProc(window, msg, wParam, lParam);
    }
    active_->TakeAvail(static_cast<uint16_t>(wParam));
    return 0;
  }

  void TakeAvail(uint16_t count) {
    received_.resize(count);
    uint16_t taken = 0;
    while (taken < count && dispatcher_.GetChar(received_[taken]) == 0) ++taken;
    onBytes_(received_.data(), taken);
  }

  static inline DispatcherBenchPort* active_ = nullptr;  // the window procedure's way back
  sio::TSioWin32Dispatcher dispatcher_{nullptr};
  platform::HWND window_ = nullptr;
  BytesHandler onBytes_;
  std::vector<uint8_t> received_;
};

}  // namespace

}  // namespace nimbrel_bench

int main(int argc, char** argv) {
  nimbrel_bench::DispatcherBenchPort port;
  return nimbrel_bench::RunPeer(argc, argv, port);
}
