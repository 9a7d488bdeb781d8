#pragma once
// The component under test as the harness's workloads see it: a port that opens a tty,
// sends bytes and hands received bytes over on the thread that pumps the messages.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace nimbrel_bench {

class BenchPort {
 public:
  using BytesHandler = std::function<void(const uint8_t* data, size_t size)>;

  virtual ~BenchPort() = default;
  // Opens `tty` at 115200 8N1 with the event-driven read path armed; each batch of received
  // bytes reaches `onBytes` while the opening thread pumps messages. Empty on success, else
  // why it failed.
  virtual std::string Open(const std::string& tty, BytesHandler onBytes) = 0;
  // Queues the bytes for sending; false when the component refused them.
  virtual bool Send(const std::string& bytes) = 0;
  virtual void Close() = 0;
};

}  // namespace nimbrel_bench
