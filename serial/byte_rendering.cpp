#include "serial/byte_rendering.h"

#include <cstdio>

namespace sio {

namespace {

bool IsPrintable(uint8_t byte, bool inHex) {
  const uint8_t first = inHex ? 0x21 : 0x20;
  return byte >= first && byte <= 0x7E;
}

std::string Bracketed(const char* format, uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(byte));
  return text;
}

}  // namespace

std::string RenderDataByte(uint8_t byte, bool inHex, bool allHex) {
  if (allHex) return Bracketed("[%02X]", byte);
  if (IsPrintable(byte, inHex)) return std::string(1, static_cast<char>(byte));
  return Bracketed(inHex ? "[%02X]" : "[%u]", byte);
}

}  // namespace sio
