#include "serial/log_header.h"

#include <cstdio>

#include "platform/os_version.h"
#include "serial/error_strings.h"

namespace sio {

namespace {

std::string VersionText(int major, int minor, int patch) {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

}  // namespace

std::string ToolchainName() {
#if defined(__clang__)
  return "Clang " + VersionText(__clang_major__, __clang_minor__, __clang_patchlevel__);
#elif defined(__GNUC__)
  return "GCC " + VersionText(__GNUC__, __GNUC_MINOR__, __GNUC_PATCHLEVEL__);
#elif defined(_MSC_VER)
  return "MSVC " + std::to_string(_MSC_FULL_VER);
#else
  return "Unknown C++ compiler";
#endif
}

std::string FormatLogDateTime(const platform::LocalDateTime& time, char dateSeparator,
                              char timeSeparator) {
  char text[64];
  std::snprintf(text, sizeof text, "%02d%c%02d%c%02d, %02d%c%02d%c%02d", time.day, dateSeparator,
                time.month, dateSeparator, time.year % 100, time.hour, timeSeparator, time.minute,
                timeSeparator, time.second);
  return text;
}

std::vector<std::string> LogHeaderLines(std::string_view deviceName,
                                        const platform::LocalDateTime& now) {
  const std::string dateTime =
      FormatLogDateTime(now, platform::LocaleDateSeparator(), platform::LocaleTimeSeparator());
  return {
      "SIO v1.00",
      "Compiler : " + ToolchainName(),
      "Operating System : " + platform::OperatingSystemDescription(),
      "Device: " + std::string(deviceName),
      "Date/time: " + dateTime,
      ErrorMessage(kLogColumnHeader),
      ErrorMessage(kLogColumnRule),
  };
}

}  // namespace sio
