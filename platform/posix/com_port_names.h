#pragma once
// Where the serial port "\\.\COM<n>" lives on a POSIX system.
//
//   COM<n> is the path in the environment variable SIO_COM<n> when that is set and not
//   empty (SIO_COM7=/dev/ttyUSB0, or the slave side of a pseudo-terminal). Otherwise:
//     COM1  .. COM16   /dev/ttyS0   .. /dev/ttyS15
//     COM17 .. COM32   /dev/ttyUSB0 .. /dev/ttyUSB15
//     COM33 .. COM48   /dev/ttyACM0 .. /dev/ttyACM15
//     COM49 and above  no device
//   "COM" is matched without regard to case, n is decimal without leading zeros, 1 to 255.
//   Any other name has no device.
#include <optional>
#include <string>

namespace platform {

// The path of the device `name` ("\\.\COM7") stands for; nullopt when it has none.
std::optional<std::string> ComPortPath(const std::string& name);

}  // namespace platform
