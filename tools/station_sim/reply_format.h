#pragma once
// The text the simulated station sends.
//
// The answer to "readall" is a TAB, one line of blank-separated name, value and unit tokens
// and CR LF:
//
//   TAB "BARO 1013.2 mbar QNH 1023.4 mbar ALTI 85 m HUMI 45.0 %rF TEMP1 21.3 degC
//        TEMP2 21.0 degC DEW 8.9 degC x" CR LF   (one line)
//
// The logger empties its line buffer at a TAB and parses it at every CR, so the TAB makes the
// single CR yield exactly one record, whatever came before. Its parser takes a token only when
// a blank follows it, so the closing "x" lets DEW keep its unit. A missing sensor sends "---"
// and no unit: the parser reads no unit after "---".
#include <bitset>
#include <optional>
#include <string>
#include <string_view>

#include "tools/station_sim/readings.h"

namespace station_sim {

enum class Sensor { kBaro, kQnh, kAlti, kHumi, kTemp1, kTemp2, kDew };

inline constexpr std::size_t kSensorCount = 7;

// Indexed by Sensor: the sensors that send "---" instead of a value.
using MissingSensors = std::bitset<kSensorCount>;

// The sensor whose name ("BARO" ... "DEW") equals name, ignoring case.
std::optional<Sensor> SensorNamed(std::string_view name);

// A reading with one decimal place ("21.3", "-0.4", never "-0.0").
std::string Tenths(double value);

// The complete answer to "readall", TAB first and CR LF last.
std::string ReadallReply(const Readings& readings, MissingSensors missing);

}  // namespace station_sim
