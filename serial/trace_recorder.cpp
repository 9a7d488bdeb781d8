#include "serial/trace_recorder.h"

#include <new>

#include "serial/byte_rendering.h"
#include "serial/data_line_writer.h"
#include "serial/error_strings.h"

namespace sio {

namespace {

std::string HeaderLine(uint8_t kind) {
  if (kind == TraceRecorder::kReceived) return "Receive: ";
  if (kind == TraceRecorder::kTransmitted) return "Transmit: ";
  return std::string("Special-") + static_cast<char>(kind) + ": ";
}

}  // namespace

int32_t TraceRecorder::InitTracing(uint32_t size) {
  if (hasBuffer_) {
    ClearTracing();
  } else {
    if (size > kMaxTraceSize) return kErrBadArgument;
    try {
      traceBuffer_.assign(size, Entry{0, 0});
    } catch (const std::bad_alloc&) {
      return kErrOutOfMemory;
    }
    traceCapacity_ = size;
    tracePos_ = 0;
    traceWrapped_ = false;
    hasBuffer_ = true;
  }
  traceOn_ = true;
  return 0;
}

void TraceRecorder::AddTraceEntry(uint8_t kind, uint8_t ch) {
  // A ring of size 0 exists but holds nothing.
  if (!TraceOn() || traceCapacity_ == 0) return;
  traceBuffer_[tracePos_] = Entry{kind, ch};
  if (++tracePos_ == traceCapacity_) {
    tracePos_ = 0;
    traceWrapped_ = true;
  }
}

void TraceRecorder::StartTracing() {
  if (hasBuffer_) traceOn_ = true;
}

void TraceRecorder::StopTracing() { traceOn_ = false; }

void TraceRecorder::ClearTracing() {
  tracePos_ = 0;
  traceWrapped_ = false;
}

void TraceRecorder::AbortTracing() {
  traceOn_ = false;
  std::vector<Entry>().swap(traceBuffer_);
  traceCapacity_ = 0;
  tracePos_ = 0;
  traceWrapped_ = false;
  hasBuffer_ = false;
}

int32_t TraceRecorder::DumpTrace(const std::string& fileName, bool inHex, bool allHex) {
  return WriteTrace(fileName, DiagnosticFile::Mode::kCreate, inHex, allHex);
}

int32_t TraceRecorder::AppendTrace(const std::string& fileName, bool inHex, bool allHex) {
  return WriteTrace(fileName, DiagnosticFile::Mode::kAppend, inHex, allHex);
}

int32_t TraceRecorder::WriteTrace(const std::string& fileName, DiagnosticFile::Mode mode,
                                  bool inHex, bool allHex) {
  if (!hasBuffer_) return 0;
  traceOn_ = false;
  int32_t result = 0;
  if (traceWrapped_ || tracePos_ > 0) {
    DiagnosticFile file;
    result = file.Open(fileName, mode);
    if (result == 0) {
      WriteEntries(file, inHex, allHex);
      result = file.Close();
    }
  }
  AbortTracing();
  return result;
}

// Oldest first; a header line at every change of kind, after an empty line except at the
// start. The last data line gets no line end.
void TraceRecorder::WriteEntries(DiagnosticFile& file, bool inHex, bool allHex) const {
  const uint32_t count = traceWrapped_ ? traceCapacity_ : tracePos_;
  const uint32_t first = traceWrapped_ ? tracePos_ : 0;
  DataLineWriter line(file, 0, "");
  for (uint32_t i = 0; i < count; ++i) {
    const Entry& entry = traceBuffer_[(first + i) % traceCapacity_];
    if (i == 0 || entry.kind != traceBuffer_[(first + i - 1) % traceCapacity_].kind) {
      if (i > 0) {
        file.EndLine();
        file.EndLine();
      }
      file.Write(HeaderLine(entry.kind));
      file.EndLine();
      line.RestartLine();
    }
    line.Put(RenderDataByte(entry.ch, inHex, allHex));
  }
}

}  // namespace sio
