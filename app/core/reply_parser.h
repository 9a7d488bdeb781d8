#pragma once
// Turns the station's reply text into a measurement record.
//
// The text is read as passes of name, value and unit tokens separated by blanks. A token is
// taken only when a blank follows it, so the last token of the text is never taken. Names are
// compared upper-cased with the seven keywords; other names are skipped with their value and
// unit. A value "---" stands for a missing reading: it is stored as "-20000" and no unit is
// read after it. A "*" where a name is expected ends the reply.
#include <string_view>

#include "app/core/measurement_record.h"

namespace nimbrel {

// Clears record, then fills it from line. A later triple of the same quantity replaces an
// earlier one, also with empty texts.
void ParseReply(std::string_view line, MeasurementRecord& record);

}  // namespace nimbrel
