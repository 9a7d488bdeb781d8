#pragma once
// The logger's end of the simulator's pseudo-terminal, opened raw and non-blocking.
#include <chrono>
#include <string>
#include <string_view>

namespace station_sim {

struct Received {
  std::string bytes;
  bool hungUp = false;  // the device has gone
};

class TerminalClient {
 public:
  explicit TerminalClient(const std::string& path);
  TerminalClient(const TerminalClient&) = delete;
  TerminalClient& operator=(const TerminalClient&) = delete;
  ~TerminalClient();

  void Write(std::string_view bytes);

  // Whatever arrives within timeout (empty when nothing does).
  Received Read(std::chrono::milliseconds timeout);

 private:
  int fd_;
};

}  // namespace station_sim
