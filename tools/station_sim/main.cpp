// station-sim: plays the weather station for the logger, on a new pseudo-terminal (its path is
// printed on stdout) or on a serial device.
#include <getopt.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "tools/station_sim/station_port.h"
#include "tools/station_sim/station_session.h"
#include "tools/station_sim/stop_signals.h"

namespace station_sim {

namespace {

constexpr int kUsageError = 2;

constexpr std::string_view kUsage =
    "Usage: station-sim [options]\n"
    "Plays the weather station: answers \"remote\" CR (no answer) and \"readall\" CR (the\n"
    "readings). Without --device it creates a pseudo-terminal and prints the path for the\n"
    "logger on stdout.\n"
    "  --device PATH          serve on this serial device (raw, 9600 8N1)\n"
    "  --silent               never answer\n"
    "  --delay MS             answer readall after MS milliseconds\n"
    "  --missing NAME         send \"---\" for this sensor (BARO QNH ALTI HUMI TEMP1 TEMP2 DEW;\n"
    "                         repeatable)\n"
    "  --garbage              send line noise before every answer\n"
    "  --chunks N             send answers in N-byte pieces with short pauses\n"
    "  --disconnect-after N   after N polls close the device and exit\n"
    "  --altitude M           station altitude in metres (-500 to 9000, default 85)\n"
    "  --seed S               seed for the readings (default: random)\n"
    "  --verbose              log commands and answers to stderr\n"
    "  --help                 show this text\n";

enum OptionId {
  kDevice = 256,
  kSilent,
  kDelay,
  kMissing,
  kGarbage,
  kChunks,
  kDisconnectAfter,
  kAltitude,
  kSeed,
  kVerbose,
  kHelp
};

constexpr option kOptions[] = {{"device", required_argument, nullptr, kDevice},
                               {"silent", no_argument, nullptr, kSilent},
                               {"delay", required_argument, nullptr, kDelay},
                               {"missing", required_argument, nullptr, kMissing},
                               {"garbage", no_argument, nullptr, kGarbage},
                               {"chunks", required_argument, nullptr, kChunks},
                               {"disconnect-after", required_argument, nullptr, kDisconnectAfter},
                               {"altitude", required_argument, nullptr, kAltitude},
                               {"seed", required_argument, nullptr, kSeed},
                               {"verbose", no_argument, nullptr, kVerbose},
                               {"help", no_argument, nullptr, kHelp},
                               {nullptr, 0, nullptr, 0}};

struct CommandLine {
  std::optional<std::string> device;
  StationOptions station;
};

struct UsageError {
  std::string message;
};

// The whole of text as a number within [low, high].
template <typename Number>
Number NumberArgument(const char* name, std::string_view text, Number low, Number high) {
  Number value{};
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < low ||
      value > high) {
    throw UsageError{"--" + std::string(name) + " wants a number from " + std::to_string(low) +
                     " to " + std::to_string(high) + ", not \"" + std::string(text) + "\""};
  }
  return value;
}

void MarkMissing(StationOptions& station, std::string_view name) {
  const std::optional<Sensor> sensor = SensorNamed(name);
  if (!sensor) throw UsageError{"--missing: no sensor \"" + std::string(name) + "\""};
  station.missing.set(static_cast<std::size_t>(*sensor));
}

void ApplyOption(int id, const char* argument, CommandLine& line) {
  constexpr int kMaxInt = std::numeric_limits<int>::max();
  StationOptions& station = line.station;
  switch (id) {
    case kDevice:
      line.device = argument;
      break;
    case kSilent:
      station.silent = true;
      break;
    case kDelay:
      station.delayMs = NumberArgument("delay", argument, 0, kMaxInt);
      break;
    case kMissing:
      MarkMissing(station, argument);
      break;
    case kGarbage:
      station.garbage = true;
      break;
    case kChunks:
      station.chunkSize = NumberArgument<std::size_t>("chunks", argument, 1, 4096);
      break;
    case kDisconnectAfter:
      station.disconnectAfter = NumberArgument("disconnect-after", argument, 1, kMaxInt);
      break;
    case kAltitude:
      station.altitude = NumberArgument("altitude", argument, -500, 9000);
      break;
    case kSeed:
      station.seed = NumberArgument<std::uint32_t>("seed", argument, 0,
                                                   std::numeric_limits<std::uint32_t>::max());
      break;
    case kVerbose:
      station.verbose = true;
      break;
    default:
      throw UsageError{};
  }
}

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine line;
  line.station.seed = std::random_device{}();
  for (int id; (id = getopt_long(argc, argv, "", kOptions, nullptr)) != -1;) {
    if (id == kHelp) {
      std::cout << kUsage;
      std::exit(0);
    }
    ApplyOption(id, optarg, line);
  }
  if (optind < argc) throw UsageError{"unexpected argument \"" + std::string(argv[optind]) + "\""};
  return line;
}

int Serve(const CommandLine& line) {
  StationPort port =
      line.device ? StationPort::OpenDevice(*line.device) : StationPort::OpenPseudoTerminal();
  if (!line.device) std::cout << port.LoggerPath() << std::endl;
  if (line.station.verbose) std::clog << "station-sim: serving on " << port.LoggerPath() << '\n';
  StationSession(port, line.station).Run();
  return 0;
}

}  // namespace

}  // namespace station_sim

int main(int argc, char** argv) {
  using namespace station_sim;
  try {
    const CommandLine line = ParseCommandLine(argc, argv);
    InstallStopSignals();
    return Serve(line);
  } catch (const UsageError& error) {
    if (!error.message.empty()) std::cerr << "station-sim: " << error.message << '\n';
    std::cerr << kUsage;
    return kUsageError;
  } catch (const std::system_error& error) {
    std::cerr << "station-sim: " << error.what() << '\n';
    return 1;
  }
}
