#include "app/command_line.h"

#include <algorithm>
#include <optional>

#include "app/whole_number.h"

namespace nimbrel {

namespace {

// The text after `key` when the argument starts with it.
std::optional<std::string> ValueOf(const std::string& argument, std::string_view key) {
  if (!argument.starts_with(key)) return std::nullopt;
  return argument.substr(key.size());
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool IsRecordSwitch(std::string_view argument) {
  constexpr std::string_view kWord = "record";
  if (argument.size() != kWord.size() + 1 || (argument[0] != '-' && argument[0] != '/')) {
    return false;
  }
  return std::equal(kWord.begin(), kWord.end(), argument.begin() + 1,
                    [](char word, char given) { return word == AsciiLower(given); });
}

void ApplyCommandLine(const std::vector<std::string>& arguments, CommandLineTarget& target) {
  target.SetFlagFileName("");
  bool record = false;
  uint16_t lastPort = 0;
  const std::size_t keyed = std::min(arguments.size(), kKeyedArguments);
  for (std::size_t i = 0; i < keyed; ++i) {
    const std::string& argument = arguments[i];
    if (const auto value = ValueOf(argument, "port=")) {
      // An invalid number sets the last valid one again.
      if (const auto number = ParseWholeNumber(*value)) lastPort = static_cast<uint16_t>(*number);
      target.SetComNumber(lastPort);
    }
    if (const auto value = ValueOf(argument, "int=")) {
      target.SetIntervalMinutes(ParseWholeNumber(*value).value_or(kDefaultIntervalMinutes));
    }
    if (const auto value = ValueOf(argument, "flag=")) target.SetFlagFileName(*value);
    if (const auto value = ValueOf(argument, "file=")) {
      record = record || std::any_of(arguments.begin(), arguments.end(),
                                     [](const std::string& a) { return IsRecordSwitch(a); });
      target.OpenOrCreateLogFile(*value);
    }
  }
  if (record) target.StartRecording();
}

}  // namespace nimbrel
