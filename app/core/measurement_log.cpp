#include "app/core/measurement_log.h"

#include <utility>

#include "app/core/file_error.h"
#include "app/core/log_format.h"
#include "platform/text_file.h"

namespace nimbrel {

MeasurementLog::MeasurementLog(Clock clock) : clock_(std::move(clock)) {}

void MeasurementLog::CreateWithHeader(const std::string& logPath) const {
  CheckFileResult(platform::CreateTextFile(logPath, FormatFileHeader(clock_())));
}

void MeasurementLog::Continue(const std::string& logPath) const {
  CheckFileResult(platform::OpenForAppend(logPath));
}

void MeasurementLog::OpenOrCreate(const std::string& logPath) const {
  if (platform::FileExists(logPath)) {
    Continue(logPath);
  } else {
    CreateWithHeader(logPath);
  }
}

// A failed write (a full disk) must not leave half a line at the end of the log, where it
// would run into the next record: AppendText cuts the file back to where it was.
void MeasurementLog::SaveRecord(const std::string& logPath, const MeasurementRecord& record,
                                const std::string& flagPath) const {
  CheckFileResult(platform::AppendText(logPath, FormatRecordLine(record, clock_())));
  if (!flagPath.empty()) CheckFileResult(platform::CreateTextFile(flagPath, {}));
}

}  // namespace nimbrel
