#include "serial/log_ring.h"

#include <algorithm>
#include <cstring>

namespace sio {

LogRing::LogRing(uint32_t capacity) : logBuffer_(capacity, 0), logFree_(capacity) {}

uint32_t LogRing::MaxEntryData() const {
  return Capacity() > kHeaderSize ? Capacity() - kHeaderSize - 1 : 0;
}

bool LogRing::AddEntry(const LogEntryHeader& header, const uint8_t* data) {
  if (Capacity() <= kHeaderSize || header.DataLen > MaxEntryData()) return false;
  const uint32_t size = kHeaderSize + header.DataLen;
  LogEntryHeader dropped;
  uint32_t ignored = 0;
  while (logFree_ < size) ReadLogEntry(dropped, {}, ignored);
  WriteLogBytes(&header, kHeaderSize);
  WriteLogBytes(data, header.DataLen);
  return true;
}

bool LogRing::ReadLogEntry(LogEntryHeader& header, std::span<uint8_t> data, uint32_t& dataLen) {
  if (Empty()) return true;
  ReadLogBytes(&header, kHeaderSize);
  dataLen = std::min<uint32_t>(header.DataLen, static_cast<uint32_t>(data.size()));
  ReadLogBytes(data.data(), dataLen);
  ReadLogBytes(nullptr, header.DataLen - dataLen);
  return false;
}

void LogRing::Clear() {
  logHead_ = 0;
  logTail_ = 0;
  logFree_ = Capacity();
}

// offset + len wrapped at the capacity, for len <= capacity, without overflowing.
uint32_t LogRing::Advance(uint32_t offset, uint32_t len) const {
  const uint32_t toEnd = Capacity() - offset;
  return len < toEnd ? offset + len : len - toEnd;
}

void LogRing::WriteLogBytes(const void* data, uint32_t len) {
  if (len == 0) return;
  const auto* bytes = static_cast<const uint8_t*>(data);
  const uint32_t first = std::min(len, Capacity() - logHead_);
  std::memcpy(logBuffer_.data() + logHead_, bytes, first);
  if (first < len) std::memcpy(logBuffer_.data(), bytes + first, len - first);
  logHead_ = Advance(logHead_, len);
  logFree_ -= len;
}

void LogRing::ReadLogBytes(void* out, uint32_t len) {
  if (len == 0) return;
  if (out != nullptr) {
    auto* bytes = static_cast<uint8_t*>(out);
    const uint32_t first = std::min(len, Capacity() - logTail_);
    std::memcpy(bytes, logBuffer_.data() + logTail_, first);
    if (first < len) std::memcpy(bytes + first, logBuffer_.data(), len - first);
  }
  logTail_ = Advance(logTail_, len);
  logFree_ += len;
}

}  // namespace sio
