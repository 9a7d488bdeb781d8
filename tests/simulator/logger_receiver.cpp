#include "tests/simulator/logger_receiver.h"

#include "app/core/reply_parser.h"

namespace station_sim {

void LoggerReceiver::Feed(std::string_view bytes) {
  for (const char byte : bytes) {
    if (!buffer_.Feed(byte)) continue;
    nimbrel::MeasurementRecord record;
    nimbrel::ParseReply(buffer_.Text(), record);
    if (!record.IsComplete()) continue;
    ++completeParses_;
    lastComplete_ = record;
  }
}

}  // namespace station_sim
