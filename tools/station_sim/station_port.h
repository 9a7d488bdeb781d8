#pragma once
// The simulator's end of the serial line: the master side of a pseudo-terminal it creates, or
// a serial device it opens (raw, 9600 baud, 8N1).
//
// On a pseudo-terminal the simulator also keeps the terminal side open itself. That keeps it
// in raw mode, and the logger may open and close it as often as it likes without the master
// seeing a hang-up. Closing the port closes both, so the device vanishes for the logger.
//
// OS failures throw std::system_error.
#include <string>
#include <string_view>

namespace station_sim {

class StationPort {
 public:
  static StationPort OpenPseudoTerminal();
  static StationPort OpenDevice(const std::string& path);

  StationPort(StationPort&& other) noexcept;
  StationPort& operator=(StationPort&&) = delete;
  ~StationPort();

  // The device path the logger opens (the terminal side of a pseudo-terminal).
  const std::string& LoggerPath() const { return loggerPath_; }

  // Waits up to timeoutMs for bytes from the logger and returns them; empty after the timeout
  // or a signal. Throws when the device has gone.
  std::string Read(int timeoutMs);

  // Sends all bytes; false when a stop signal interrupted the sending.
  bool Write(std::string_view bytes);

  // Gives the logger up to timeoutMs to read what was sent, then closes the device.
  void Close(int timeoutMs);

 private:
  StationPort(int fd, int heldTerminal, std::string loggerPath);
  void WaitUntilRead(int timeoutMs);

  int fd_;            // the master, or the device
  int heldTerminal_;  // the terminal side of a pseudo-terminal held open, or -1
  std::string loggerPath_;
};

}  // namespace station_sim
