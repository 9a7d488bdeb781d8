#include "tests/support/pty_far_end.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace test_support {

namespace {

std::string EnvName(int comNumber) { return "SIO_COM" + std::to_string(comNumber); }

}  // namespace

PtyFarEnd::PtyFarEnd(int comNumber) : comNumber_(comNumber) {
  char path[256] = {};
  int slave = -1;
  EXPECT_EQ(openpty(&master_, &slave, path, nullptr, nullptr), 0);
  ::close(slave);  // the code under test opens the slave by its path
  path_ = path;
  setenv(EnvName(comNumber_).c_str(), path, 1);
}

PtyFarEnd::~PtyFarEnd() {
  Unplug();
  unsetenv(EnvName(comNumber_).c_str());
}

std::string PtyFarEnd::DeviceName() const { return "\\\\.\\COM" + std::to_string(comNumber_); }

void PtyFarEnd::Send(std::string_view bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + sent, bytes.size() - sent);
    if (n < 0) {
      ADD_FAILURE() << "write to the far end failed";
      return;
    }
    sent += static_cast<std::size_t>(n);
  }
}

std::string PtyFarEnd::Receive(std::size_t count, int guardMs) {
  std::string bytes;
  std::vector<char> chunk(65536);
  while (bytes.size() < count) {
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, guardMs) != 1) break;
    const ssize_t n = ::read(master_, chunk.data(), std::min(chunk.size(), count - bytes.size()));
    if (n <= 0) break;
    bytes.append(chunk.data(), static_cast<std::size_t>(n));
  }
  return bytes;
}

termios PtyFarEnd::Line() const {
  termios line{};
  EXPECT_EQ(tcgetattr(master_, &line), 0);
  return line;
}

void PtyFarEnd::Unplug() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

}  // namespace test_support
