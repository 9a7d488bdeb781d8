#include "tools/station_sim/line_noise.h"

#include <array>
#include <string_view>

namespace station_sim {

namespace {

// A rejected command, a cut-off answer and a banner: none gives all seven readings.
constexpr std::array<std::string_view, 3> kNoiseLines{
    "ERR 07 command unknown ?", "BARO 1013.2 mbar QNH 1013.2", "* self test passed *"};

constexpr std::size_t kMaxNoiseBytes = 24;

bool IsAllowedNoiseByte(unsigned char byte) {
  constexpr unsigned char kTab = 9, kCr = 13, kXon = 17, kXoff = 19;
  return byte != kTab && byte != kCr && byte != kXon && byte != kXoff;
}

}  // namespace

std::string LineNoise(std::mt19937& random) {
  std::string noise = "\t";
  noise.append(kNoiseLines[random() % kNoiseLines.size()]).append("\r\n");
  const std::size_t size = noise.size() + 1 + random() % kMaxNoiseBytes;
  while (noise.size() < size) {
    const auto byte = static_cast<unsigned char>(random() & 0xFF);
    if (IsAllowedNoiseByte(byte)) noise.push_back(static_cast<char>(byte));
  }
  return noise;
}

}  // namespace station_sim
