#include "platform/char_upper.h"
#include "serial/trigger_records.h"

namespace sio {

// Counter i holds the progress of one candidate (bytes of the string matched so far; 0 =
// free). Every candidate advances on every byte or fails; one that completes the string is a
// match and frees its counter alone, so overlapping occurrences are all found. A byte equal to
// the first one of the string starts a new candidate in a free counter: at most length - 1
// candidates are unfinished after a byte, so there always is one.
bool MatchChar(std::array<uint32_t, kMaxMatchLength>& state, uint8_t ch, uint32_t length,
               bool ignoreCase, const std::array<uint8_t, 24>& matchString) {
  if (length == 0) return false;
  if (ignoreCase) ch = platform::CharUpper(ch);
  bool matched = false;
  for (uint32_t i = 0; i < length; ++i) {
    const uint32_t progress = state[i];
    if (progress == 0) continue;
    if (matchString[progress] != ch) {
      state[i] = 0;
    } else if (progress + 1 == length) {
      matched = true;
      state[i] = 0;
    } else {
      state[i] = progress + 1;
    }
  }
  if (matchString[0] == ch) {
    if (length == 1) return true;
    for (uint32_t i = 0; i < length; ++i) {
      if (state[i] == 0) {
        state[i] = 1;
        break;
      }
    }
  }
  return matched;
}

}  // namespace sio
