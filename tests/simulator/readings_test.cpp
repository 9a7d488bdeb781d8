// The weather model: plausible, slowly changing readings over a whole year, a dew point never
// above the temperature, cycles that follow the local time, and repeatable runs for a seed.
#include "tools/station_sim/readings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace station_sim {
namespace {

constexpr int kStepMinutes = 10;
constexpr int kStepsPerDay = 24 * 60 / kStepMinutes;

TimeOfYear Step(int step) {
  return {step / kStepsPerDay, (step % kStepsPerDay) * kStepMinutes / 60.0};
}

void ExpectPlausible(const Readings& r, int altitude) {
  EXPECT_EQ(r.alti, altitude);
  EXPECT_GE(r.qnh, 950.0);
  EXPECT_LE(r.qnh, 1060.0);
  // QNH is BARO plus the correction for the altitude.
  EXPECT_NEAR(r.baro, StationPressure(r.qnh, altitude), 0.2);
  EXPECT_GE(r.temp1, -40.0);
  EXPECT_LE(r.temp1, 45.0);
  EXPECT_LE(std::abs(r.temp2 - r.temp1), 1.0);
  EXPECT_GT(r.humi, 0.0);
  EXPECT_LE(r.humi, 100.0);
  EXPECT_LE(r.dew, r.temp1);
  EXPECT_GE(r.dew, r.temp1 - 50.0);
}

void ExpectSlowChange(const Readings& before, const Readings& after) {
  EXPECT_LE(std::abs(after.qnh - before.qnh), 0.5);
  EXPECT_LE(std::abs(after.temp1 - before.temp1), 1.0);
  EXPECT_LE(std::abs(after.humi - before.humi), 3.0);
}

class YearTest : public ::testing::TestWithParam<int> {};

TEST_P(YearTest, ReadingsStayPlausibleAndChangeSlowly) {
  const int altitude = GetParam();
  WeatherModel weather(altitude, 7);
  std::optional<Readings> previous;
  for (int step = 0; step < 365 * kStepsPerDay; ++step) {
    SCOPED_TRACE(::testing::Message()
                 << "day " << Step(step).dayOfYear << ", hour " << Step(step).hourOfDay);
    const Readings readings = weather.Next(Step(step));
    ExpectPlausible(readings, altitude);
    if (previous) ExpectSlowChange(*previous, readings);
    if (HasFailure()) return;
    previous = readings;
  }
}

INSTANTIATE_TEST_SUITE_P(Altitudes, YearTest, ::testing::Values(-400, 0, 85, 2500));

// Two models with the same seed draw the same random numbers, so their difference is the cycle.
TEST(WeatherModel, TemperatureFollowsTheDayAndTheYear) {
  const struct {
    const char* what;
    TimeOfYear warmer;
    TimeOfYear colder;
  } kCases[] = {{"afternoon over early morning", {100, 15.0}, {100, 4.0}},
                {"July over January", {195, 12.0}, {15, 12.0}},
                {"evening over night", {300, 19.0}, {300, 2.0}}};
  for (const auto& c : kCases) {
    WeatherModel warm(85, 3);
    WeatherModel cold(85, 3);
    EXPECT_GT(warm.Next(c.warmer).temp1, cold.Next(c.colder).temp1 + 2.0) << c.what;
  }
}

TEST(WeatherModel, SameSeedRepeatsDifferentSeedDiffers) {
  WeatherModel first(85, 11);
  WeatherModel again(85, 11);
  WeatherModel other(85, 12);
  bool differs = false;
  for (int step = 0; step < 50; ++step) {
    const Readings a = first.Next(Step(step));
    const Readings b = again.Next(Step(step));
    const Readings c = other.Next(Step(step));
    EXPECT_EQ(a.qnh, b.qnh);
    EXPECT_EQ(a.temp2, b.temp2);
    EXPECT_EQ(a.humi, b.humi);
    differs = differs || a.qnh != c.qnh;
  }
  EXPECT_TRUE(differs);
}

TEST(DewPoint, MatchesPublishedValuesAndNeverExceedsTemperature) {
  const struct {
    double temperature;
    double humidity;
    double dewPoint;
  } kCases[] = {{20.0, 50.0, 9.3}, {30.0, 80.0, 26.2},  {-10.0, 60.0, -16.3},
                {0.0, 100.0, 0.0}, {25.0, 100.0, 25.0}, {5.0, 10.0, -24.2}};
  for (const auto& c : kCases) {
    const double dew = DewPoint(c.temperature, c.humidity);
    EXPECT_NEAR(dew, c.dewPoint, 0.15) << c.temperature << " degC " << c.humidity << " %";
    EXPECT_LE(dew, c.temperature);
  }
}

TEST(BoundedWalk, StaysWithinItsBounds) {
  std::mt19937 random(5);
  BoundedWalk walk(0.9, 0.5, -1.0, 1.0);
  for (int step = 0; step < 10000; ++step) {
    const double value = walk.Next(random);
    ASSERT_GE(value, -1.0);
    ASSERT_LE(value, 1.0);
  }
}

}  // namespace
}  // namespace station_sim
