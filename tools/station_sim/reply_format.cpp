#include "tools/station_sim/reply_format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace station_sim {

namespace {

struct SensorText {
  std::string_view name;
  std::string_view unit;
};

constexpr std::array<SensorText, kSensorCount> kSensorTexts{{{"BARO", "mbar"},
                                                             {"QNH", "mbar"},
                                                             {"ALTI", "m"},
                                                             {"HUMI", "%rF"},
                                                             {"TEMP1", "degC"},
                                                             {"TEMP2", "degC"},
                                                             {"DEW", "degC"}}};

constexpr std::string_view kMissingValue = "---";
// Follows the last unit: the parser never takes the last token of a text.
constexpr std::string_view kClosingToken = "x";

std::string ValueText(const Readings& readings, Sensor sensor) {
  switch (sensor) {
    case Sensor::kBaro:
      return Tenths(readings.baro);
    case Sensor::kQnh:
      return Tenths(readings.qnh);
    case Sensor::kAlti:
      return std::to_string(readings.alti);
    case Sensor::kHumi:
      return Tenths(readings.humi);
    case Sensor::kTemp1:
      return Tenths(readings.temp1);
    case Sensor::kTemp2:
      return Tenths(readings.temp2);
    case Sensor::kDew:
      return Tenths(readings.dew);
  }
  return {};
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::optional<Sensor> SensorNamed(std::string_view name) {
  for (std::size_t i = 0; i < kSensorCount; ++i) {
    if (SameIgnoringCase(kSensorTexts[i].name, name)) return static_cast<Sensor>(i);
  }
  return std::nullopt;
}

std::string Tenths(double value) {
  std::array<char, 32> text{};
  const auto result = std::to_chars(text.begin(), text.end(), value, std::chars_format::fixed, 1);
  std::string tenths(text.begin(), result.ptr);
  // A small negative value rounds to zero; the station sends no sign on zero.
  return tenths == "-0.0" ? "0.0" : tenths;
}

std::string ReadallReply(const Readings& readings, MissingSensors missing) {
  std::string reply = "\t";
  for (std::size_t i = 0; i < kSensorCount; ++i) {
    const SensorText& text = kSensorTexts[i];
    reply.append(text.name).append(" ");
    if (missing[i]) {
      reply.append(kMissingValue).append(" ");
    } else {
      reply.append(ValueText(readings, static_cast<Sensor>(i))).append(" ");
      reply.append(text.unit).append(" ");
    }
  }
  reply.append(kClosingToken).append("\r\n");
  return reply;
}

}  // namespace station_sim
