#pragma once
// The logger's command line: port=, int=, flag=, file= and the switch -record.
//
// Only the first ten arguments are read for the key=value forms; keys are lower case and
// compared exactly, the value is the rest after "=". The switch ("-record" or "/record", any
// letter case) counts anywhere on the line, but only once a file= argument was processed.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// What the command line changes; the main window implements it.
class CommandLineTarget {
 public:
  virtual void SetComNumber(uint16_t number) = 0;
  // The interval field brings the value into its range.
  virtual void SetIntervalMinutes(int32_t minutes) = 0;
  // Empty: no flag file.
  virtual void SetFlagFileName(const std::string& path) = 0;
  // Chooses the log file: continues it when it exists, else creates it with the header. May
  // raise a file error, which ends the walk.
  virtual void OpenOrCreateLogFile(const std::string& path) = 0;
  virtual void StartRecording() = 0;

 protected:
  ~CommandLineTarget() = default;
};

// How many arguments are read for the key=value forms.
inline constexpr std::size_t kKeyedArguments = 10;

// The interval set for an int= value that is no number.
inline constexpr int32_t kDefaultIntervalMinutes = 60;

// "-record" or "/record" in any letter case.
bool IsRecordSwitch(std::string_view argument);

// Applies the arguments (the program name excluded) in order. An exception of the target ends
// the walk there: later arguments are not applied and recording does not start.
void ApplyCommandLine(const std::vector<std::string>& arguments, CommandLineTarget& target);

}  // namespace nimbrel
