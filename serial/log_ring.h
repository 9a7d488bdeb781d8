#pragma once
// The dispatch log's byte ring: entries of a 16-byte header followed by their data, back to
// back, wrapping at the end of the ring (an entry may be split across it). Room for a new
// entry is made by dropping the oldest entries whole, so no entry is ever partly overwritten.
#include <cstdint>
#include <span>
#include <vector>

namespace sio {

struct LogEntryHeader {
  uint8_t Type = 0;
  uint8_t SubType = 0;
  uint16_t Alignment = 0;
  uint32_t Time = 0;  // milliseconds since the port was opened
  uint32_t OtherData = 0;
  uint32_t DataLen = 0;
};
static_assert(sizeof(LogEntryHeader) == 16, "a log entry header takes 16 bytes in the ring");

class LogRing {
 public:
  static constexpr uint32_t kHeaderSize = sizeof(LogEntryHeader);

  // Allocates the ring (throws std::bad_alloc when it cannot).
  explicit LogRing(uint32_t capacity);

  // The most data one entry can carry: a whole entry (header and data) must stay below the
  // capacity. Checking the whole entry before storing anything keeps the ring from holding a
  // header whose data is missing.
  uint32_t MaxEntryData() const;

  // Stores the header and its DataLen bytes of data as one entry; false, storing nothing,
  // when the entry does not fit (see MaxEntryData).
  bool AddEntry(const LogEntryHeader& header, const uint8_t* data);

  // True when the ring is empty. Otherwise removes the oldest entry: its header, and as much
  // of its data as `data` holds (dataLen := the bytes copied; the rest is skipped).
  bool ReadLogEntry(LogEntryHeader& header, std::span<uint8_t> data, uint32_t& dataLen);

  void Clear();
  bool Empty() const { return logFree_ == Capacity(); }
  uint32_t Capacity() const { return static_cast<uint32_t>(logBuffer_.size()); }

 private:
  uint32_t Advance(uint32_t offset, uint32_t len) const;
  void WriteLogBytes(const void* data, uint32_t len);
  // Copies len bytes from the tail into out (nullptr: skips them).
  void ReadLogBytes(void* out, uint32_t len);

  std::vector<uint8_t> logBuffer_;
  uint32_t logHead_ = 0;
  uint32_t logTail_ = 0;
  uint32_t logFree_ = 0;
};

}  // namespace sio
