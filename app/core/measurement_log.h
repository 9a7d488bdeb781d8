#pragma once
// The measurement log file and the flag file. Every operation opens, writes and closes its file
// within the call; no handle stays open. A failure raises sio::EInOutError with the runtime's
// German message and error number. Which file is chosen is the caller's state.
#include <functional>
#include <string>

#include "app/core/measurement_record.h"
#include "platform/local_time.h"

namespace nimbrel {

class MeasurementLog {
 public:
  using Clock = std::function<platform::LocalDateTime()>;

  explicit MeasurementLog(Clock clock = platform::NowLocal);

  // A new log: creates the file or truncates an existing one, and writes the three header lines.
  void CreateWithHeader(const std::string& logPath) const;

  // Continues an existing log: opens it for appending and closes it, writing nothing.
  // "Datei nicht gefunden" when it does not exist.
  void Continue(const std::string& logPath) const;

  // Continues the log when a file of that name exists, otherwise creates it with the header.
  void OpenOrCreate(const std::string& logPath) const;

  // Appends one record line stamped with the clock's time, then, when flagPath is not empty,
  // re-creates the flag file with 0 bytes. The line is written whole or not at all; when it
  // fails the flag file is not touched, so a watcher sees that logging stopped.
  void SaveRecord(const std::string& logPath, const MeasurementRecord& record,
                  const std::string& flagPath) const;

 private:
  Clock clock_;
};

}  // namespace nimbrel
