#include "platform/os_version.h"

#include <sys/utsname.h>

namespace platform {

std::string OperatingSystemDescription() {
  struct utsname names {};
  if (::uname(&names) != 0) return "Unknown";
  return std::string("Unknown (") + names.sysname + " " + names.release + ")";
}

}  // namespace platform
