#include "platform/posix/exclusive_tty.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>

#include "platform/system_error.h"

namespace platform {

namespace {

// The devices open in this process.
class Claims {
 public:
  bool Take(uint64_t device) {
    std::lock_guard lock(mutex_);
    return devices_.insert(device).second;
  }
  void Give(uint64_t device) {
    std::lock_guard lock(mutex_);
    devices_.erase(device);
  }

 private:
  std::mutex mutex_;
  std::set<uint64_t> devices_;
};

Claims& OpenDevices() {
  static auto* claims = new Claims;  // never destroyed: devices may close during exit
  return *claims;
}

// Why open() failed, as the caller of CreateFileA needs it.
uint32_t OpenError(int err) {
  switch (err) {
    case ENOENT:
    case EISDIR:  // a directory is no port at all, not one held by another
    case ENXIO:  // a node without a device behind it
    case ENODEV:
    case EIO:  // e.g. the slave of a pseudo-terminal whose master is gone
      return kErrorFileNotFound;
    case EBUSY:  // held with TIOCEXCL by another program
      return kErrorAccessDenied;
    default:
      return SystemErrorFromErrno(err);
  }
}

// A serial port node whose driver found no UART behind it (a /dev/ttyS<n> without hardware)
// reports the port type PORT_UNKNOWN; ttys that are no serial ports do not answer at all.
bool HasHardware(int fd) {
  serial_struct serial{};
  return ioctl(fd, TIOCGSERIAL, &serial) != 0 || serial.type != PORT_UNKNOWN;
}

uint32_t MakeRaw(int fd, termios tty) {
  cfmakeraw(&tty);
  tty.c_cflag |= CLOCAL | CREAD;
  return tcsetattr(fd, TCSANOW, &tty) == 0 ? kErrorSuccess : SystemErrorFromErrno(errno);
}

// The device number of the tty at `fd`; false when it is no tty.
bool DeviceOf(int fd, uint64_t& device) {
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode) || !isatty(fd)) return false;
  device = status.st_rdev;
  return true;
}

// Claims the serial device at `fd` for this opening and locks it against others; 0 or the
// system error.
uint32_t Claim(int fd, uint64_t& device) {
  if (!DeviceOf(fd, device) || !HasHardware(fd)) return kErrorFileNotFound;
  if (!OpenDevices().Take(device)) return kErrorAccessDenied;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const uint32_t error = errno == EWOULDBLOCK ? kErrorAccessDenied : SystemErrorFromErrno(errno);
    OpenDevices().Give(device);
    return error;
  }
  ioctl(fd, TIOCEXCL);  // for programs that do not lock; root passes it anyway
  return kErrorSuccess;
}

}  // namespace

std::unique_ptr<ExclusiveTty> ExclusiveTty::Open(const std::string& path, uint32_t& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = OpenError(errno);
    return nullptr;
  }
  uint64_t device = 0;
  error = Claim(fd, device);
  if (error != kErrorSuccess) {
    ::close(fd);
    return nullptr;
  }
  // From here on the device is claimed: the object gives it up again.
  std::unique_ptr<ExclusiveTty> tty(new ExclusiveTty(fd, device));
  if (tcgetattr(fd, tty->found_.get()) != 0) {
    error = SystemErrorFromErrno(errno);
    tty->found_.reset();
    return nullptr;
  }
  error = MakeRaw(fd, *tty->found_);
  if (error != kErrorSuccess) return nullptr;
  return tty;
}

ExclusiveTty::ExclusiveTty(int fd, uint64_t device)
    : fd_(fd), device_(device), found_(std::make_unique<termios>()) {}

ExclusiveTty::~ExclusiveTty() {
  if (found_ != nullptr) tcsetattr(fd_, TCSANOW, found_.get());  // fails if the device is gone
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // releases the lock before the claim goes
  OpenDevices().Give(device_);
}

}  // namespace platform
