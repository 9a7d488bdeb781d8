#pragma once
// Whether a serial port exists: probed by opening it through a dispatcher of its own.
#include <cstdint>
#include <vector>

namespace sio {

// The port lists (the "Select Port" dialog, the options dialog) offer COM1 up to this number.
inline constexpr uint16_t kHighestListedPort = 50;

// Whether COM<n> exists. A port that another handle, of this or another process, holds
// open counts as present. Port 0 never exists.
bool ComPortPresent(uint16_t n);

// The present ports among COM1..kHighestListedPort, in ascending order.
std::vector<uint16_t> PresentComPorts();

}  // namespace sio
