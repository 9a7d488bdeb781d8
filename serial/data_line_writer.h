#pragma once
// Writes rendered data bytes to a diagnostic file in lines of at most 78 columns.
#include <cstddef>
#include <string_view>

#include "serial/diagnostic_file.h"

namespace sio {

class DataLineWriter {
 public:
  // The column count starts at `margin`; a line broken before a byte continues with `indent`
  // and counts again from the margin.
  DataLineWriter(DiagnosticFile& file, std::size_t margin, std::string_view indent);

  // Ends the line first when the byte's width would take the count past 78.
  void Put(std::string_view rendered);

  // The next byte counts from the margin again (the caller has just ended a line).
  void RestartLine();

 private:
  static constexpr std::size_t kLastColumn = 78;

  DiagnosticFile& file_;
  std::size_t margin_;
  std::string_view indent_;
  std::size_t column_;
};

}  // namespace sio
