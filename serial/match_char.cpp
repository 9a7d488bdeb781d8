#include "platform/char_upper.h"
#include "serial/trigger_records.h"

namespace sio {

// Every active candidate advances on every byte; at most one new candidate starts per byte,
// in the first free counter or in one whose candidate just failed.
bool MatchChar(std::array<uint32_t, kMaxMatchLength>& state, uint8_t ch, uint32_t length,
               bool ignoreCase, const std::array<uint8_t, 24>& matchString) {
  if (ignoreCase) ch = platform::CharUpper(ch);
  bool matched = false;
  bool started = false;
  bool check = true;
  for (uint32_t i = 0; i < length; ++i) {
    if (check) {
      const uint32_t progress = state[i];
      if (matchString[progress] == ch) {
        if (progress == length - 1) {
          matched = true;
          state.fill(0);
        } else {
          state[i] = progress + 1;
        }
      } else if (matchString[0] == ch) {
        state[i] = 1;
        started = true;
      } else {
        state[i] = 0;
      }
    }
    if (state[i] == 1) started = true;
    if (i == length - 1) break;
    check = state[i + 1] != 0 || (!started && matchString[0] == ch);
  }
  return matched;
}

}  // namespace sio
