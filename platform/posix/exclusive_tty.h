#pragma once
// A tty opened for the use of one opening alone, in raw mode, non-blocking. Its settings
// are put back as they were found when it is given up, so that opening a port only to see
// whether it is there leaves it as it was.
//
// A second opening of the same device fails with access denied, whether it comes from this
// process or another one and also for root, where TIOCEXCL alone does not hold: the device
// is claimed in a process-wide set (by device number, so every path to it counts) and
// locked with flock, and TIOCEXCL keeps out other programs that do not lock.
#include <cstdint>
#include <memory>
#include <string>

struct termios;

namespace platform {

class ExclusiveTty {
 public:
  // nullptr with `error` set when it cannot be opened: kErrorFileNotFound when no serial
  // device is there (no node, a node without hardware behind it, not a tty),
  // kErrorAccessDenied when another opening holds it, else the mapped system error.
  static std::unique_ptr<ExclusiveTty> Open(const std::string& path, uint32_t& error);
  // Gives the device up: another opening may take it from then on.
  ~ExclusiveTty();
  ExclusiveTty(const ExclusiveTty&) = delete;
  ExclusiveTty& operator=(const ExclusiveTty&) = delete;

  int fd() const { return fd_; }

 private:
  ExclusiveTty(int fd, uint64_t device);

  int fd_;
  uint64_t device_;  // the device number claimed in this process
  std::unique_ptr<::termios> found_;  // the settings as the opening found them
};

}  // namespace platform
