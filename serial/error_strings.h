#pragma once
// The message table: the text of every error code and the words of the dispatch log.
#include <cstdint>
#include <string>

namespace sio {

// Error codes of the serial component (negated system errors pass through unchanged).
enum ErrorCode : int32_t {
  kOk = 0,
  kErrOutOfMemory = -8,
  kErrBadHandle = -1001,
  kErrBadArgument = -1002,
  kErrBadId = -2001,
  kErrCommNotOpen = -2007,
  kErrAlreadyOpen = -2008,
  kErrNoPortSelected = -2011,
  kErrNotOpenedByTapi = -2012,
  kErrNullApi = -3001,
  kErrNotSupported = -3002,
  kErrPutBlockFail = -3004,
  kErrOutputBufferTooSmall = -3006,
  kErrBufferIsEmpty = -3007,
  kErrBaseAddressNotSet = -3010,
  kErrNoMoreTriggers = -5001,
  kErrTriggerTooLong = -5002,
  kErrBadTriggerHandle = -5003,
};

// First rows of the dispatch-log vocabulary: type words at 15001 + type, subtype words at
// 15100 + subtype, the two column header lines, the modem-status words.
constexpr int32_t kLogTypeWordBase = 15001;
constexpr int32_t kLogSubTypeWordBase = 15100;
constexpr int32_t kLogColumnHeader = 15501;
constexpr int32_t kLogColumnRule = 15502;
constexpr int32_t kLogModemStatusWordBase = 15601;

// Text for |code| (at most 255 characters): the table's row, else the system's text for that
// number with control characters blanked and double blanks folded, else empty.
std::string ErrorMessage(int16_t code);

}  // namespace sio
