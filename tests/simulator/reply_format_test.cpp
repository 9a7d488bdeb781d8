// The simulator's answers read through the logger's own line buffer and parser: every poll
// gives exactly one complete record with the generated values, also with missing sensors and
// with line noise before the answer.
#include "tools/station_sim/reply_format.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/core/measurement_record.h"
#include "tests/simulator/logger_receiver.h"
#include "tools/station_sim/line_noise.h"
#include "tools/station_sim/readings.h"

namespace station_sim {
namespace {

using nimbrel::MeasurementRecord;
using nimbrel::Quantity;

// The record the logger should hold: the readings as sent, "-20000" without unit when missing.
MeasurementRecord ExpectedRecord(const Readings& readings, MissingSensors missing) {
  const std::array<std::string, kSensorCount> values{
      Tenths(readings.baro), Tenths(readings.qnh),   std::to_string(readings.alti),
      Tenths(readings.humi), Tenths(readings.temp1), Tenths(readings.temp2),
      Tenths(readings.dew)};
  const std::array<std::string, kSensorCount> units{"mbar", "mbar", "m",   "%rF",
                                                    "degC", "degC", "degC"};
  MeasurementRecord record;
  for (std::size_t i = 0; i < kSensorCount; ++i) {
    const Quantity quantity = nimbrel::kAllQuantities[i];
    if (missing[i]) {
      record.Set(quantity, "-20000", "");
    } else {
      record.Set(quantity, values[i], units[i]);
    }
  }
  return record;
}

struct PollCase {
  std::string name;
  MissingSensors missing;
  bool garbage = false;
};

void PrintTo(const PollCase& c, std::ostream* os) { *os << c.name; }

MissingSensors Missing(std::initializer_list<Sensor> sensors) {
  MissingSensors missing;
  for (const Sensor sensor : sensors) missing.set(static_cast<std::size_t>(sensor));
  return missing;
}

std::vector<PollCase> PollCases() {
  std::vector<PollCase> cases{
      {"AllPresent", {}, false},
      {"AllMissing", MissingSensors().set(), false},
      {"Garbage", {}, true},
      {"GarbageAndMissingFirstAndLast", Missing({Sensor::kBaro, Sensor::kDew}), true}};
  constexpr std::array<const char*, kSensorCount> kNames{"BARO",  "QNH",   "ALTI", "HUMI",
                                                         "TEMP1", "TEMP2", "DEW"};
  for (std::size_t i = 0; i < kSensorCount; ++i) {
    cases.push_back({std::string("Missing") + kNames[i], MissingSensors().set(i), false});
  }
  return cases;
}

class PollTest : public ::testing::TestWithParam<PollCase> {};

// The logger's line buffer lives across polls, as in the window, so what one answer leaves in
// it must not complete a record again during the next one.
TEST_P(PollTest, EachPollParsesToExactlyOneCompleteRecord) {
  const PollCase& c = GetParam();
  constexpr int kPolls = 6;
  WeatherModel weather(85, 42);
  std::mt19937 noiseRandom(43);
  LoggerReceiver logger;
  for (int poll = 1; poll <= kPolls; ++poll) {
    SCOPED_TRACE(poll);
    const Readings readings = weather.Next({180, 10.0 + poll});
    const std::string noise = c.garbage ? LineNoise(noiseRandom) : std::string();
    logger.Feed(noise);
    ASSERT_EQ(logger.CompleteParses(), poll - 1) << "the noise completed a record";
    logger.Feed(ReadallReply(readings, c.missing));
    ASSERT_EQ(logger.CompleteParses(), poll);
    EXPECT_EQ(logger.LastComplete(), ExpectedRecord(readings, c.missing));
  }
}

INSTANTIATE_TEST_SUITE_P(Replies, PollTest, ::testing::ValuesIn(PollCases()),
                         [](const auto& info) { return info.param.name; });

TEST(ReplyFormat, IsOneLineBetweenTabAndCrLf) {
  Readings readings;
  readings.baro = 1003.1;
  readings.qnh = 1013.2;
  readings.alti = 85;
  readings.humi = 45.0;
  readings.temp1 = 21.3;
  readings.temp2 = 21.0;
  readings.dew = -0.4;
  EXPECT_EQ(ReadallReply(readings, Missing({Sensor::kTemp2})),
            "\tBARO 1003.1 mbar QNH 1013.2 mbar ALTI 85 m HUMI 45.0 %rF TEMP1 21.3 degC "
            "TEMP2 --- DEW -0.4 degC x\r\n");
}

TEST(ReplyFormat, TenthsHaveOneDecimalAndNoNegativeZero) {
  const struct {
    double value;
    const char* text;
  } kCases[] = {{0.0, "0.0"},   {-0.0, "0.0"},  {-0.04, "0.0"},
                {-3.5, "-3.5"}, {9.96, "10.0"}, {1013.2, "1013.2"}};
  for (const auto& c : kCases) EXPECT_EQ(Tenths(c.value), c.text) << c.value;
}

TEST(ReplyFormat, SensorNamesIgnoreCase) {
  EXPECT_EQ(SensorNamed("TEMP2"), Sensor::kTemp2);
  EXPECT_EQ(SensorNamed("dew"), Sensor::kDew);
  EXPECT_EQ(SensorNamed("Baro"), Sensor::kBaro);
  EXPECT_EQ(SensorNamed("TEMP"), std::nullopt);
  EXPECT_EQ(SensorNamed(""), std::nullopt);
}

}  // namespace
}  // namespace station_sim
