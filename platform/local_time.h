#pragma once
// The computer's local date and time, broken down.
namespace platform {

struct LocalDateTime {
  int year = 0;    // e.g. 2006
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
};

LocalDateTime NowLocal();

// The locale's date and time separators ('.' and ':' on a German system).
char LocaleDateSeparator();
char LocaleTimeSeparator();

}  // namespace platform
