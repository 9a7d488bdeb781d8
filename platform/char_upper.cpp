#include "platform/char_upper.h"

namespace platform {

uint8_t CharUpper(uint8_t ch) {
  if (ch >= 'a' && ch <= 'z') return static_cast<uint8_t>(ch - 0x20);
  if (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7) return static_cast<uint8_t>(ch - 0x20);
  switch (ch) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return ch;
  }
}

}  // namespace platform
