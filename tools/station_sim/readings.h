#pragma once
// The simulated station's weather: plausible, slowly changing readings.
//
// Temperature follows a yearly and a daily cycle of the local time plus a small wandering
// offset; the sea-level pressure wanders slowly within fixed bounds; humidity is highest before
// dawn and wanders too. Station pressure is the sea-level pressure brought up to the configured
// altitude; the dew point follows from temperature and humidity (Magnus formula). Every value
// is rounded to one decimal place, the altitude to whole metres, so the readings are exactly
// what the station sends. Deterministic for a given seed and sequence of times.
#include <cstdint>
#include <random>

namespace station_sim {

// Where in the year and the day a reading is taken (local time).
struct TimeOfYear {
  int dayOfYear = 0;       // 0 = 1 January
  double hourOfDay = 0.0;  // 0 to below 24
};

struct Readings {
  double baro = 0.0;   // station pressure, mbar
  double qnh = 0.0;    // pressure reduced to sea level, mbar
  int alti = 0;        // altitude, m
  double humi = 0.0;   // relative humidity, %
  double temp1 = 0.0;  // degC
  double temp2 = 0.0;  // degC
  double dew = 0.0;    // dew point, degC
};

// A value that moves by at most step per call and stays within [low, high], bouncing off
// the bounds; step is at most high - low.
class BoundedWalk {
 public:
  BoundedWalk(double start, double step, double low, double high);
  double Next(std::mt19937& random);
  double Value() const { return value_; }

 private:
  double value_;
  double step_;
  double low_;
  double high_;
};

class WeatherModel {
 public:
  WeatherModel(int altitudeMetres, std::uint32_t seed);

  // The next reading; successive calls drift slowly from the previous one.
  Readings Next(const TimeOfYear& when);

 private:
  double Temperature(const TimeOfYear& when);
  double Humidity(const TimeOfYear& when);

  int altitude_;
  std::mt19937 random_;
  BoundedWalk seaLevelPressure_;
  BoundedWalk temperatureOffset_;
  BoundedWalk secondSensorOffset_;
  BoundedWalk humidityOffset_;
};

// Dew point in degC from temperature (degC) and relative humidity (percent, above 0 and at
// most 100); never above the temperature.
double DewPoint(double temperature, double humidity);

// Station pressure at altitudeMetres for a sea-level pressure, in the standard atmosphere.
double StationPressure(double seaLevel, int altitudeMetres);

}  // namespace station_sim
