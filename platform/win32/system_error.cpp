#include "platform/system_error.h"

#include "platform/win32/windows_api.h"

namespace platform {

uint32_t GetLastError() { return ::GetLastError(); }

void SetLastError(uint32_t code) { ::SetLastError(code); }

std::string SystemErrorText(uint32_t code) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, 255,
                                      nullptr);
  return std::string(text, length);
}

}  // namespace platform
