#include "tools/station_sim/station_port.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "tools/station_sim/stop_signals.h"

namespace station_sim {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Raw bytes both ways (no echo, no line editing, no CR or LF translation), 9600 baud, 8 data
// bits, no parity, 1 stop bit, no flow control. On a pseudo-terminal only the raw mode matters.
void ConfigureRaw(int fd, const std::string& path) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) ThrowErrno("tcgetattr " + path);
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cflag &= ~(CSTOPB | CRTSCTS);
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  if (cfsetispeed(&settings, B9600) != 0 || cfsetospeed(&settings, B9600) != 0 ||
      tcsetattr(fd, TCSANOW, &settings) != 0) {
    ThrowErrno("tcsetattr " + path);
  }
}

void SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) ThrowErrno("fcntl");
}

void CloseIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

StationPort::StationPort(int fd, int heldTerminal, std::string loggerPath)
    : fd_(fd), heldTerminal_(heldTerminal), loggerPath_(std::move(loggerPath)) {}

StationPort::StationPort(StationPort&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      heldTerminal_(std::exchange(other.heldTerminal_, -1)),
      loggerPath_(std::move(other.loggerPath_)) {}

StationPort::~StationPort() {
  CloseIfOpen(heldTerminal_);
  CloseIfOpen(fd_);
}

StationPort StationPort::OpenPseudoTerminal() {
  StationPort port(posix_openpt(O_RDWR | O_NOCTTY), -1, {});
  if (port.fd_ < 0) ThrowErrno("posix_openpt");
  if (grantpt(port.fd_) != 0 || unlockpt(port.fd_) != 0) ThrowErrno("unlockpt");
  std::array<char, 128> name{};
  if (ptsname_r(port.fd_, name.data(), name.size()) != 0) ThrowErrno("ptsname_r");
  port.loggerPath_ = name.data();
  port.heldTerminal_ = open(name.data(), O_RDWR | O_NOCTTY);
  if (port.heldTerminal_ < 0) ThrowErrno("open " + port.loggerPath_);
  ConfigureRaw(port.heldTerminal_, port.loggerPath_);
  SetNonBlocking(port.fd_);
  return port;
}

StationPort StationPort::OpenDevice(const std::string& path) {
  StationPort port(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK), -1, path);
  if (port.fd_ < 0) ThrowErrno("open " + path);
  ConfigureRaw(port.fd_, path);
  tcflush(port.fd_, TCIOFLUSH);
  return port;
}

std::string StationPort::Read(int timeoutMs) {
  pollfd wanted{fd_, POLLIN, 0};
  const int ready = PollUnlessStopped(&wanted, 1, timeoutMs);
  if (ready < 0) ThrowErrno("poll");
  if (ready == 0) return {};
  std::array<char, 256> buffer{};
  const ssize_t count = read(fd_, buffer.data(), buffer.size());
  if (count > 0) return std::string(buffer.data(), static_cast<std::size_t>(count));
  if (count < 0 && (errno == EAGAIN || errno == EINTR)) return {};
  if (count == 0) errno = EIO;
  ThrowErrno("read " + loggerPath_);
}

bool StationPort::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = write(fd_, bytes.data(), bytes.size());
    if (count > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(count));
      continue;
    }
    if (errno != EAGAIN && errno != EINTR) ThrowErrno("write " + loggerPath_);
    pollfd wanted{fd_, POLLOUT, 0};
    if (PollUnlessStopped(&wanted, 1, -1) < 0) ThrowErrno("poll");
    if (StopRequested()) return false;
  }
  return true;
}

void StationPort::Close(int timeoutMs) {
  WaitUntilRead(timeoutMs);
  CloseIfOpen(heldTerminal_);
  CloseIfOpen(fd_);
}

// A pseudo-terminal drops unread input when its master closes, so wait until the logger has
// read everything (the bytes reach the terminal side a moment after they are written).
void StationPort::WaitUntilRead(int timeoutMs) {
  if (heldTerminal_ < 0) {
    tcdrain(fd_);
    return;
  }
  constexpr int kCheckEveryMs = 50;
  for (int waited = 0; waited < timeoutMs; waited += kCheckEveryMs) {
    if (!PauseUnlessStopped(kCheckEveryMs)) return;
    int unread = 0;
    if (ioctl(heldTerminal_, FIONREAD, &unread) != 0 || unread == 0) return;
  }
}

}  // namespace station_sim
