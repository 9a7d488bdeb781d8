#include "app/core/log_format.h"

#include <array>

namespace nimbrel {

namespace {

constexpr const char* kLineEnd = "\r\n";

// The degree sign is the single Windows-1252 byte 0xB0.
constexpr const char* kHeaderColumns =
    ",1 h (95.8 dy),BARO[mbar], QNH[mbar], ALTI[m], HUMI[%rF], Temp1[\xB0" "C], Temp2[\xB0" "C]";

constexpr std::array<Quantity, 6> kLoggedQuantities{Quantity::kBaro,  Quantity::kQnh,
                                                    Quantity::kAlti,  Quantity::kHumi,
                                                    Quantity::kTemp1, Quantity::kTemp2};

std::string TwoDigits(int number) {
  return std::string{static_cast<char>('0' + number / 10 % 10), static_cast<char>('0' + number % 10)};
}

// "dd.mm.yy" with the last two digits of the year.
std::string FormatShortDate(const platform::LocalDateTime& time) {
  return TwoDigits(time.day) + "." + TwoDigits(time.month) + "." + TwoDigits(time.year % 100);
}

// A value keeps its bytes, but a CR or LF inside it (a garbled reply: only blanks separate
// tokens) becomes a blank, so that one record always stays one line of the file.
std::string OnOneLine(std::string value) {
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return value;
}

}  // namespace

std::string FormatTimeStamp(const platform::LocalDateTime& time) {
  return std::to_string(time.year) + "-" + TwoDigits(time.month) + "-" + TwoDigits(time.day) +
         " " + TwoDigits(time.hour) + ":" + TwoDigits(time.minute) + ":" + TwoDigits(time.second);
}

std::string FormatFileHeader(const platform::LocalDateTime& time) {
  return std::string("\"THOMMEN HM30\",1.0,2562") + kLineEnd +
         FormatShortDate(time) + kHeaderColumns + kLineEnd +
         "\"Init=\",#" + FormatTimeStamp(time) + "#,9,76,49151,65283,\"DUMMY-HEADER!\"" + kLineEnd;
}

std::string FormatRecordLine(const MeasurementRecord& record, const platform::LocalDateTime& time) {
  std::string line = "#" + FormatTimeStamp(time) + "#";
  for (Quantity quantity : kLoggedQuantities) {
    line += ",";
    line += OnOneLine(record.Get(quantity).value);
  }
  return line + kLineEnd;
}

}  // namespace nimbrel
