#include "tools/station_sim/station_session.h"

#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>

#include "tools/station_sim/line_noise.h"
#include "tools/station_sim/stop_signals.h"

namespace station_sim {

namespace {

constexpr int kChunkPauseMs = 20;
// How long the logger gets to read the last answer before the device vanishes.
constexpr int kReadBeforeCloseMs = 3000;

TimeOfYear LocalTimeOfYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_yday, local.tm_hour + local.tm_min / 60.0 + local.tm_sec / 3600.0};
}

// Control and non-ASCII bytes as escapes, for the log.
std::string Printable(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\t') {
      text += "\\t";
    } else if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace

StationSession::StationSession(StationPort& port, const StationOptions& options)
    : port_(port),
      options_(options),
      weather_(options.altitude, options.seed),
      noiseRandom_(options.seed + 1) {}

void StationSession::Run() {
  while (!StopRequested()) {
    for (const char byte : port_.Read(-1)) {
      const std::optional<ReceivedCommand> received = commands_.Feed(byte);
      if (received && !Handle(*received)) return;
    }
  }
}

bool StationSession::Handle(const ReceivedCommand& received) {
  if (options_.verbose)
    std::clog << "station-sim: received \"" << Printable(received.text) << "\"\n";
  if (received.command != Command::kReadall) return true;
  ++polls_;
  if (!options_.silent) Answer();
  if (options_.disconnectAfter > 0 && polls_ >= options_.disconnectAfter) {
    if (options_.verbose)
      std::clog << "station-sim: closing the device after " << polls_ << " polls\n";
    port_.Close(kReadBeforeCloseMs);
    return false;
  }
  return true;
}

void StationSession::Answer() {
  if (options_.delayMs > 0 && !PauseUnlessStopped(options_.delayMs)) return;
  std::string reply = options_.garbage ? LineNoise(noiseRandom_) : std::string();
  reply += ReadallReply(weather_.Next(LocalTimeOfYear()), options_.missing);
  if (options_.verbose)
    std::clog << "station-sim: poll " << polls_ << ": " << Printable(reply) << '\n';
  Send(reply);
}

void StationSession::Send(std::string_view reply) {
  const std::size_t size = options_.chunkSize > 0 ? options_.chunkSize : reply.size();
  for (std::size_t at = 0; at < reply.size(); at += size) {
    if (at > 0 && !PauseUnlessStopped(kChunkPauseMs)) return;
    if (!port_.Write(reply.substr(at, size))) return;
  }
}

}  // namespace station_sim
