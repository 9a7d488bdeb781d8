#pragma once
// The dispatch log: a ring of timestamped records of what the dispatcher did, written on
// request to a text file with a header. The owner serialises every call (the dispatcher's
// DataLock); the class does no locking.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/local_time.h"
#include "serial/diagnostic_file.h"
#include "serial/log_ring.h"

namespace sio {

class DispatchLog {
 public:
  using Clock = std::function<uint32_t()>;  // milliseconds
  using DateTimeSource = std::function<platform::LocalDateTime()>;

  // The clock stamps the entries; the date/time source gives the file header's date line.
  explicit DispatchLog(Clock clock = platform::ElapsedMs, DateTimeSource now = platform::NowLocal);

  // The dispatcher's queue sizes: an entry carries at most max(inQueueSize, outQueueSize)
  // bytes of data. Takes effect at the next InitDispatchLog that makes a ring.
  void SetQueueSizes(uint32_t inQueueSize, uint32_t outQueueSize);
  // The clock's value when the port was opened; entry times count from it.
  void SetLogStartTicks(uint32_t ticks) { logStartTicks_ = ticks; }
  // Written on the header's device line.
  void SetLogDeviceName(std::string name) { logDeviceName_ = std::move(name); }

  // With a ring already there only clears it (its size stays); otherwise makes a ring of
  // `size` bytes. Either way logging is on. 0, or -8 when the ring cannot be allocated.
  int32_t InitDispatchLog(uint32_t size);

  // Adds an entry while logging; ignored otherwise, so callers need not test LogOn() under the
  // lock first. `data` may be null when dataLen is 0. Data beyond what one entry can carry
  // (the scratch size, and a whole entry stays below the ring size) is cut off; otherData
  // still tells the full count. An entry whose header alone does not fit is not stored.
  void AddDispatchEntry(uint8_t type, uint8_t subType, uint32_t otherData, const uint8_t* data,
                        uint32_t dataLen);

  void StartDispatchLog();  // logging on again when a ring exists
  void StopDispatchLog();   // logging off, the ring stays
  void ClearDispatchLog();  // empties the ring, keeps its size and the on/off state
  void AbortDispatchLog();  // logging off, the ring freed

  // Write the header and the entries, oldest first, to fileName (Dump creates or truncates,
  // Append appends), then free the ring. Without a ring or without entries: the ring is freed,
  // no file is touched, 0. When the file cannot be opened: the negated error, the ring stays
  // with logging off. Else 0 or the negated error of writing or closing.
  int32_t DumpDispatchLog(const std::string& fileName, bool inHex, bool allHex);
  int32_t AppendDispatchLog(const std::string& fileName, bool inHex, bool allHex);

  // Readable without the owner's lock, to skip taking it for an entry that would be ignored.
  bool LogOn() const { return logOn_.load(std::memory_order_relaxed); }
  bool HasBuffer() const { return logBuffer_.has_value(); }

 private:
  int32_t WriteLog(const std::string& fileName, DiagnosticFile::Mode mode, bool inHex, bool allHex);
  void WriteEntries(DiagnosticFile& file, bool inHex, bool allHex);

  Clock clock_;
  DateTimeSource now_;
  uint32_t scratchSize_ = 0;
  uint32_t logStartTicks_ = 0;
  std::string logDeviceName_;
  std::optional<LogRing> logBuffer_;
  std::vector<uint8_t> logScratch_;
  std::atomic<bool> logOn_ = false;
};

}  // namespace sio
