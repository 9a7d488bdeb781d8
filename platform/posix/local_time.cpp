#include "platform/local_time.h"

#include <time.h>

#include <ctime>

namespace platform {

LocalDateTime NowLocal() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

namespace {

// The first character of a formatted sample that is not a digit or blank.
char SeparatorOf(const char* format, const std::tm& sample) {
  char text[64] = {};
  if (std::strftime(text, sizeof text, format, &sample) == 0) return '\0';
  for (const char* p = text; *p != '\0'; ++p) {
    if ((*p < '0' || *p > '9') && *p != ' ') return *p;
  }
  return '\0';
}

std::tm Sample() {
  std::tm t{};
  t.tm_year = 106;
  t.tm_mon = 5;
  t.tm_mday = 28;
  t.tm_hour = 14;
  t.tm_min = 5;
  t.tm_sec = 9;
  return t;
}

}  // namespace

char LocaleDateSeparator() {
  const char c = SeparatorOf("%x", Sample());
  return c == '\0' ? '/' : c;
}

char LocaleTimeSeparator() {
  const char c = SeparatorOf("%X", Sample());
  return c == '\0' ? ':' : c;
}

}  // namespace platform
