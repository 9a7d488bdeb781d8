#include "platform/posix/com_port_names.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

namespace platform {
namespace {

TEST(ComPortPath, MapsComNamesToTheConfiguredOrDefaultDevice) {
  struct Case {
    std::string name;
    const char* configured;  // SIO_COM<n> for the port of the name; nullptr: not set
    std::optional<std::string> path;
  };
  const std::vector<Case> cases = {
      {"\\\\.\\COM1", nullptr, "/dev/ttyS0"},
      {"\\\\.\\COM16", nullptr, "/dev/ttyS15"},
      {"\\\\.\\COM17", nullptr, "/dev/ttyUSB0"},
      {"\\\\.\\COM32", nullptr, "/dev/ttyUSB15"},
      {"\\\\.\\COM33", nullptr, "/dev/ttyACM0"},
      {"\\\\.\\COM48", nullptr, "/dev/ttyACM15"},
      {"\\\\.\\com5", nullptr, "/dev/ttyS4"},
      {"\\\\.\\COM49", nullptr, std::nullopt},
      {"\\\\.\\COM50", nullptr, std::nullopt},
      {"\\\\.\\COM7", "/dev/pts/9", "/dev/pts/9"},
      {"\\\\.\\COM7", "", "/dev/ttyS6"},
      {"\\\\.\\COM50", "/dev/ttyUSB3", "/dev/ttyUSB3"},
      {"\\\\.\\COM255", "/dev/ttyX", "/dev/ttyX"},
      {"\\\\.\\COM256", "/dev/ttyX", std::nullopt},
      {"\\\\.\\COM0", "/dev/ttyX", std::nullopt},
      {"\\\\.\\COM07", "/dev/ttyX", std::nullopt},
      {"\\\\.\\COM", nullptr, std::nullopt},
      {"\\\\.\\COM1x", nullptr, std::nullopt},
      {"\\\\.\\COM-1", nullptr, std::nullopt},
      {"COM1", nullptr, std::nullopt},
      {"\\\\.\\LPT1", nullptr, std::nullopt},
      {"/dev/ttyS0", nullptr, std::nullopt},
      {"", nullptr, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::string digits = c.name.size() > 7 ? c.name.substr(7) : "";
    const std::string variable = "SIO_COM" + digits;
    if (c.configured != nullptr) {
      setenv(variable.c_str(), c.configured, 1);
    } else {
      unsetenv(variable.c_str());
    }
    EXPECT_EQ(ComPortPath(c.name), c.path) << c.name << " with " << variable << "="
                                           << (c.configured ? c.configured : "(unset)");
    unsetenv(variable.c_str());
  }
}

}  // namespace
}  // namespace platform
