#include "platform/posix/com_port_names.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace platform {

namespace {

constexpr std::string_view kPrefix = "\\\\.\\COM";
constexpr int kMaxPort = 255;

// Each family of device nodes takes 16 port numbers, in this order from COM1 on.
constexpr std::array<std::string_view, 3> kFamilies = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
constexpr int kPortsPerFamily = 16;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// The port number of "\\.\COM<n>"; nullopt for any other name.
std::optional<int> PortNumber(std::string_view name) {
  if (name.size() <= kPrefix.size() || !SameIgnoringCase(name.substr(0, kPrefix.size()), kPrefix)) {
    return std::nullopt;
  }
  const std::string_view digits = name.substr(kPrefix.size());
  if (digits.size() > 3 || digits.front() == '0') return std::nullopt;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number > kMaxPort) return std::nullopt;
  return number;
}

std::optional<std::string> DefaultPath(int number) {
  const int family = (number - 1) / kPortsPerFamily;
  if (family >= static_cast<int>(kFamilies.size())) return std::nullopt;
  return std::string(kFamilies[family]) + std::to_string((number - 1) % kPortsPerFamily);
}

}  // namespace

std::optional<std::string> ComPortPath(const std::string& name) {
  const std::optional<int> number = PortNumber(name);
  if (!number) return std::nullopt;
  const char* configured = std::getenv(("SIO_COM" + std::to_string(*number)).c_str());
  if (configured != nullptr && *configured != '\0') return std::string(configured);
  return DefaultPath(*number);
}

}  // namespace platform
