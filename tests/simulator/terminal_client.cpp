#include "tests/simulator/terminal_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace station_sim {

TerminalClient::TerminalClient(const std::string& path)
    : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "open " + path);
  termios settings{};
  tcgetattr(fd_, &settings);
  cfmakeraw(&settings);
  tcsetattr(fd_, TCSANOW, &settings);
}

TerminalClient::~TerminalClient() { close(fd_); }

void TerminalClient::Write(std::string_view bytes) {
  if (write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    throw std::system_error(errno, std::generic_category(), "write");
  }
}

Received TerminalClient::Read(std::chrono::milliseconds timeout) {
  Received received;
  pollfd wanted{fd_, POLLIN, 0};
  if (poll(&wanted, 1, static_cast<int>(timeout.count())) <= 0) return received;
  std::array<char, 512> buffer{};
  const ssize_t count = read(fd_, buffer.data(), buffer.size());
  if (count > 0) {
    received.bytes.assign(buffer.data(), static_cast<std::size_t>(count));
  } else {
    received.hungUp = count == 0 || errno != EAGAIN;
  }
  return received;
}

}  // namespace station_sim
