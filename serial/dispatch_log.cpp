#include "serial/dispatch_log.h"

#include <algorithm>
#include <new>

#include "serial/error_strings.h"
#include "serial/log_entry_writer.h"
#include "serial/log_header.h"

namespace sio {

DispatchLog::DispatchLog(Clock clock, DateTimeSource now)
    : clock_(std::move(clock)), now_(std::move(now)) {}

void DispatchLog::SetQueueSizes(uint32_t inQueueSize, uint32_t outQueueSize) {
  scratchSize_ = std::max(inQueueSize, outQueueSize);
}

int32_t DispatchLog::InitDispatchLog(uint32_t size) {
  if (logBuffer_) {
    ClearDispatchLog();
  } else {
    try {
      logScratch_.assign(scratchSize_, 0);
      logBuffer_.emplace(size);
    } catch (const std::bad_alloc&) {
      AbortDispatchLog();
      return kErrOutOfMemory;
    }
  }
  logOn_ = true;
  return 0;
}

// The whole entry is checked before anything is stored (the ring never holds a header whose
// data is missing): its data is cut to what an entry can carry, and the scratch buffer that
// reads entries back always holds an entry's data.
void DispatchLog::AddDispatchEntry(uint8_t type, uint8_t subType, uint32_t otherData,
                                   const uint8_t* data, uint32_t dataLen) {
  if (!LogOn()) return;
  LogEntryHeader header;
  header.Type = type;
  header.SubType = subType;
  header.Time = clock_() - logStartTicks_;
  header.OtherData = otherData;
  header.DataLen =
      data == nullptr ? 0 : std::min({dataLen, scratchSize_, logBuffer_->MaxEntryData()});
  logBuffer_->AddEntry(header, data);
}

void DispatchLog::StartDispatchLog() {
  if (logBuffer_) logOn_ = true;
}

void DispatchLog::StopDispatchLog() { logOn_ = false; }

void DispatchLog::ClearDispatchLog() {
  if (logBuffer_) logBuffer_->Clear();
}

void DispatchLog::AbortDispatchLog() {
  logOn_ = false;
  logBuffer_.reset();
  std::vector<uint8_t>().swap(logScratch_);
}

int32_t DispatchLog::DumpDispatchLog(const std::string& fileName, bool inHex, bool allHex) {
  return WriteLog(fileName, DiagnosticFile::Mode::kCreate, inHex, allHex);
}

int32_t DispatchLog::AppendDispatchLog(const std::string& fileName, bool inHex, bool allHex) {
  return WriteLog(fileName, DiagnosticFile::Mode::kAppend, inHex, allHex);
}

int32_t DispatchLog::WriteLog(const std::string& fileName, DiagnosticFile::Mode mode, bool inHex,
                              bool allHex) {
  if (!logBuffer_ || logBuffer_->Empty()) {
    AbortDispatchLog();
    return 0;
  }
  logOn_ = false;
  DiagnosticFile file;
  if (const int32_t openError = file.Open(fileName, mode); openError != 0) return openError;
  for (const std::string& line : LogHeaderLines(logDeviceName_, now_())) {
    file.Write(line);
    file.EndLine();
  }
  WriteEntries(file, inHex, allHex);
  const int32_t result = file.Close();
  AbortDispatchLog();
  return result;
}

// Empties the ring, oldest entry first.
void DispatchLog::WriteEntries(DiagnosticFile& file, bool inHex, bool allHex) {
  LogEntryHeader header;
  uint32_t dataLen = 0;
  while (!logBuffer_->ReadLogEntry(header, logScratch_, dataLen)) {
    WriteLogEntry(file, header, std::span<const uint8_t>(logScratch_.data(), dataLen), inHex,
                  allHex);
  }
}

}  // namespace sio
