#pragma once
// One run of the simulated station: reads the logger's commands and answers them.
//
// "remote" gets no answer. "readall" counts as a poll and, unless the station is silent, is
// answered after the configured delay with the current readings, optionally preceded by line
// noise and sent in small pieces. Anything else is ignored.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>

#include "tools/station_sim/command_assembler.h"
#include "tools/station_sim/readings.h"
#include "tools/station_sim/reply_format.h"
#include "tools/station_sim/station_port.h"

namespace station_sim {

struct StationOptions {
  bool silent = false;
  int delayMs = 0;
  MissingSensors missing;
  bool garbage = false;
  std::size_t chunkSize = 0;  // 0: each answer in one piece
  int disconnectAfter = 0;    // polls after which the device is closed; 0: never
  int altitude = 85;          // metres
  std::uint32_t seed = 0;
  bool verbose = false;
};

class StationSession {
 public:
  StationSession(StationPort& port, const StationOptions& options);

  // Serves until a stop signal, or until the poll limit has closed the port.
  void Run();

 private:
  // False when the session ends.
  bool Handle(const ReceivedCommand& received);
  void Answer();
  void Send(std::string_view reply);

  StationPort& port_;
  StationOptions options_;
  WeatherModel weather_;
  std::mt19937 noiseRandom_;
  CommandAssembler commands_;
  int polls_ = 0;
};

}  // namespace station_sim
