#include "platform/local_time.h"

#include "platform/win32/windows_api.h"

namespace platform {

LocalDateTime NowLocal() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

namespace {

// The first character of a locale setting of the user; `fallback` when there is none.
char LocaleCharacter(LCTYPE setting, char fallback) {
  char text[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, setting, text, sizeof text) == 0 || text[0] == '\0') {
    return fallback;
  }
  return text[0];
}

}  // namespace

char LocaleDateSeparator() { return LocaleCharacter(LOCALE_SDATE, '/'); }

char LocaleTimeSeparator() { return LocaleCharacter(LOCALE_STIME, ':'); }

}  // namespace platform
