#include "tools/station_sim/readings.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace station_sim {

namespace {

constexpr double kDaysPerYear = 365.0;
constexpr double kHoursPerDay = 24.0;

// Climate of a temperate lowland site: coldest in mid-January, each day coldest at 04:00.
constexpr double kMeanTemperature = 10.0;
constexpr double kYearlyAmplitude = 8.0;
constexpr double kDailyAmplitude = 5.0;
constexpr int kColdestDay = 15;
constexpr double kColdestHour = 4.0;
constexpr double kLapseRate = 0.0065;  // degC per metre

constexpr double kMeanHumidity = 70.0;
constexpr double kDailyHumidityAmplitude = 15.0;
constexpr double kYearlyHumidityAmplitude = 5.0;
constexpr double kLowestHumidity = 5.0;
constexpr double kHighestHumidity = 100.0;

// Magnus coefficients over water.
constexpr double kMagnusA = 17.62;
constexpr double kMagnusB = 243.12;

// Standard atmosphere: sea-level temperature in kelvin and the barometric exponent.
constexpr double kSeaLevelKelvin = 288.15;
constexpr double kBarometricExponent = 5.255;

double RoundToTenth(double value) { return std::round(value * 10.0) / 10.0; }

// 1 at the phase's start and 0.5 cycles later -1: cos over a cycle of the given length.
double Cycle(double position, double start, double length) {
  return std::cos(2.0 * std::numbers::pi * (position - start) / length);
}

double Uniform(std::mt19937& random, double low, double high) {
  // Built from the raw generator output so that a seed gives the same numbers everywhere.
  const double unit = static_cast<double>(random()) / 4294967296.0;
  return low + (high - low) * unit;
}

}  // namespace

BoundedWalk::BoundedWalk(double start, double step, double low, double high)
    : value_(std::clamp(start, low, high)), step_(step), low_(low), high_(high) {}

double BoundedWalk::Next(std::mt19937& random) {
  value_ += Uniform(random, -step_, step_);
  if (value_ > high_) value_ = 2.0 * high_ - value_;
  if (value_ < low_) value_ = 2.0 * low_ - value_;
  return value_;
}

WeatherModel::WeatherModel(int altitudeMetres, std::uint32_t seed)
    : altitude_(altitudeMetres),
      random_(seed),
      seaLevelPressure_(1013.2 + Uniform(random_, -10.0, 10.0), 0.3, 960.0, 1050.0),
      temperatureOffset_(0.0, 0.05, -0.8, 0.8),
      secondSensorOffset_(-0.3, 0.02, -0.6, 0.2),
      humidityOffset_(0.0, 0.5, -10.0, 10.0) {}

Readings WeatherModel::Next(const TimeOfYear& when) {
  Readings readings;
  readings.alti = altitude_;
  readings.qnh = RoundToTenth(seaLevelPressure_.Next(random_));
  readings.baro = RoundToTenth(StationPressure(seaLevelPressure_.Value(), altitude_));
  readings.temp1 = RoundToTenth(Temperature(when));
  readings.temp2 = RoundToTenth(readings.temp1 + secondSensorOffset_.Next(random_));
  readings.humi = RoundToTenth(Humidity(when));
  readings.dew = std::min(RoundToTenth(DewPoint(readings.temp1, readings.humi)), readings.temp1);
  return readings;
}

double WeatherModel::Temperature(const TimeOfYear& when) {
  const double season = -kYearlyAmplitude * Cycle(when.dayOfYear, kColdestDay, kDaysPerYear);
  const double daily = -kDailyAmplitude * Cycle(when.hourOfDay, kColdestHour, kHoursPerDay);
  return kMeanTemperature + season + daily - kLapseRate * altitude_ +
         temperatureOffset_.Next(random_);
}

double WeatherModel::Humidity(const TimeOfYear& when) {
  // Moist when it is cold: highest before dawn and in winter.
  const double daily = kDailyHumidityAmplitude * Cycle(when.hourOfDay, kColdestHour, kHoursPerDay);
  const double season = kYearlyHumidityAmplitude * Cycle(when.dayOfYear, kColdestDay, kDaysPerYear);
  return std::clamp(kMeanHumidity + daily + season + humidityOffset_.Next(random_), kLowestHumidity,
                    kHighestHumidity);
}

double DewPoint(double temperature, double humidity) {
  const double gamma =
      std::log(humidity / 100.0) + kMagnusA * temperature / (kMagnusB + temperature);
  return std::min(kMagnusB * gamma / (kMagnusA - gamma), temperature);
}

double StationPressure(double seaLevel, int altitudeMetres) {
  return seaLevel *
         std::pow(1.0 - kLapseRate * altitudeMetres / kSeaLevelKelvin, kBarometricExponent);
}

}  // namespace station_sim
