#pragma once
// The logger's receive side, as the window runs it: every byte through its line buffer, the
// buffer parsed at every CR. Counts the parses that gave a complete record.
#include <string_view>

#include "app/core/line_buffer.h"
#include "app/core/measurement_record.h"

namespace station_sim {

class LoggerReceiver {
 public:
  void Feed(std::string_view bytes);

  int CompleteParses() const { return completeParses_; }
  const nimbrel::MeasurementRecord& LastComplete() const { return lastComplete_; }

 private:
  nimbrel::LineBuffer buffer_;
  int completeParses_ = 0;
  nimbrel::MeasurementRecord lastComplete_;
};

}  // namespace station_sim
