#pragma once
// The trace: a ring of the bytes received and sent, written on request to a text file.
// The owner serialises every call (the dispatcher's DataLock); the class does no locking.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/diagnostic_file.h"

namespace sio {

class TraceRecorder {
 public:
  static constexpr uint32_t kMaxTraceSize = 4000000;
  static constexpr uint8_t kReceived = 'R';
  static constexpr uint8_t kTransmitted = 'T';

  // With a ring already there only clears it (its size stays); otherwise makes a ring of
  // `size` entries. Either way tracing is on. 0, -1002 when size > kMaxTraceSize, -8 when the
  // ring cannot be allocated.
  int32_t InitTracing(uint32_t size);

  // Stores (kind, ch) while tracing, overwriting the oldest entry when the ring is full;
  // ignored otherwise, so callers need not test TraceOn() under the lock first.
  void AddTraceEntry(uint8_t kind, uint8_t ch);

  void StartTracing();  // tracing on again when a ring exists
  void StopTracing();   // tracing off, the ring stays
  void ClearTracing();  // empties the ring, keeps its size and the on/off state
  void AbortTracing();  // tracing off, the ring freed

  // Write the entries, oldest first, to fileName (Dump creates or truncates, Append appends),
  // then free the ring, also on failure. 0 without a ring or without entries (no file is
  // touched), else 0 or the negated file error.
  int32_t DumpTrace(const std::string& fileName, bool inHex, bool allHex);
  int32_t AppendTrace(const std::string& fileName, bool inHex, bool allHex);

  // Readable without the owner's lock, to skip taking it for a byte that would be ignored.
  bool TraceOn() const { return traceOn_.load(std::memory_order_relaxed); }
  bool HasBuffer() const { return hasBuffer_; }
  uint32_t TraceCapacity() const { return traceCapacity_; }

 private:
  struct Entry {
    uint8_t kind;
    uint8_t ch;
  };

  int32_t WriteTrace(const std::string& fileName, DiagnosticFile::Mode mode, bool inHex,
                     bool allHex);
  void WriteEntries(DiagnosticFile& file, bool inHex, bool allHex) const;

  std::vector<Entry> traceBuffer_;
  uint32_t traceCapacity_ = 0;
  uint32_t tracePos_ = 0;
  bool traceWrapped_ = false;
  bool hasBuffer_ = false;
  std::atomic<bool> traceOn_ = false;
};

}  // namespace sio
