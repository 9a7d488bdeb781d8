#pragma once
// One dispatch log entry as a line (or more) of the log file.
#include <cstdint>
#include <span>
#include <string>

#include "serial/diagnostic_file.h"
#include "serial/log_ring.h"

namespace sio {

// Milliseconds as seconds with three decimals, at least seven digits in all: 1234 -> "0001.234".
std::string FormatLogTime(uint32_t ms);

// Writes the entry's line, line end included: the 44-character prefix (time, type word,
// subtype word, other data in hex), then the data bytes rendered as in the trace, continued on
// lines indented to the data column; modem status entries add the words of the set bits, and
// trigger status entries (types 5 and 6) one word instead of the data. An entry without data
// adds nothing after the prefix: the Telnet option words (type 10) are left out, as this
// system writes no Telnet entries and the message table carries no option words.
void WriteLogEntry(DiagnosticFile& file, const LogEntryHeader& header,
                   std::span<const uint8_t> data, bool inHex, bool allHex);

}  // namespace sio
