#pragma once
// The text of the measurement log file: Windows-1252 bytes, every line ended by CR LF.
#include <string>

#include "app/core/measurement_record.h"
#include "platform/local_time.h"

namespace nimbrel {

// "YYYY-MM-DD HH:MM:SS": the year without leading zeros, every other part with two digits.
std::string FormatTimeStamp(const platform::LocalDateTime& time);

// The three header lines of a new log file; time is the moment the file is created.
std::string FormatFileHeader(const platform::LocalDateTime& time);

// One record line: the time stamp between "#" and the values of BARO to TEMP2, each after a
// ",". Units and DEW are not logged.
std::string FormatRecordLine(const MeasurementRecord& record, const platform::LocalDateTime& time);

}  // namespace nimbrel
