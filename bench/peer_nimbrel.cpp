// Harness peer for the port object, driven as the logger drives it: the tty is COM1 through
// SIO_COM1, WriteString sends, the avail event arrives on this thread through the port's
// hidden window and each byte is taken with ReadChar.
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "bench/workloads.h"
#include "serial/com_port.h"

namespace nimbrel_bench {

namespace {

constexpr uint16_t kComNumber = 1;

class ComPortBenchPort : public BenchPort {
 public:
  std::string Open(const std::string& tty, BytesHandler onBytes) override {
    setenv(("SIO_COM" + std::to_string(kComNumber)).c_str(), tty.c_str(), 1);
    onBytes_ = std::move(onBytes);
    try {
      port_.SetComNumber(kComNumber);
      port_.SetBaud(115200);
      port_.SetDataBits(8);
      port_.SetParity(sio::pNone);
      port_.SetStopBits(1);
      port_.SetOnTriggerAvail([this](sio::TComponent*, uint16_t count) { TakeAvail(count); });
      port_.SetOpen(true);
    } catch (const std::exception& error) {
      return error.what();
    }
    return {};
  }

  bool Send(const std::string& bytes) override {
    try {
      port_.WriteString(bytes);
    } catch (const std::exception&) {
      return false;
    }
    return true;
  }

  void Close() override {
    try {
      port_.SetOpen(false);
    } catch (const std::exception&) {
    }
  }

 private:
  void TakeAvail(uint16_t count) {
    received_.resize(count);
    for (uint16_t i = 0; i < count; ++i) received_[i] = static_cast<uint8_t>(port_.ReadChar());
    onBytes_(received_.data(), received_.size());
  }

  sio::TSioComPort port_;
  BytesHandler onBytes_;
  std::vector<uint8_t> received_;
};

}  // namespace

}  // namespace nimbrel_bench

int main(int argc, char** argv) {
  nimbrel_bench::ComPortBenchPort port;
  return nimbrel_bench::RunPeer(argc, argv, port);
}
