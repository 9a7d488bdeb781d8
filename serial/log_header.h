#pragma once
// The header lines at the top of a dispatch log file.
#include <string>
#include <string_view>
#include <vector>

#include "platform/local_time.h"

namespace sio {

// The toolchain that built the program, e.g. "GCC 12.2.0" or "Clang 14.0.6".
std::string ToolchainName();

// "dd/mm/yy, hh:mm:ss" with the slash and the colon replaced by the given separators.
std::string FormatLogDateTime(const platform::LocalDateTime& time, char dateSeparator,
                              char timeSeparator);

// The seven header lines, without line ends: program version, compiler, operating system,
// device, date and time (with the locale's separators), column titles and their rule.
std::vector<std::string> LogHeaderLines(std::string_view deviceName,
                                        const platform::LocalDateTime& now);

}  // namespace sio
