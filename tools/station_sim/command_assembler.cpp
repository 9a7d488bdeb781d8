#include "tools/station_sim/command_assembler.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace station_sim {

namespace {

constexpr std::size_t kMaxCommandText = 64;

bool IsSpaceOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trimmed(const std::string& text) {
  const auto first = std::find_if_not(text.begin(), text.end(), IsSpaceOrControl);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), IsSpaceOrControl).base();
  return first < last ? std::string(first, last) : std::string();
}

Command CommandNamed(std::string_view text) {
  std::string lower(text);
  std::ranges::transform(lower, lower.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "remote") return Command::kRemote;
  if (lower == "readall") return Command::kReadall;
  return Command::kUnknown;
}

}  // namespace

std::optional<ReceivedCommand> CommandAssembler::Feed(char byte) {
  if (byte != '\r') {
    if (text_.size() < kMaxCommandText) text_.push_back(byte);
    return std::nullopt;
  }
  ReceivedCommand received;
  received.text = Trimmed(text_);
  received.command = CommandNamed(received.text);
  text_.clear();
  return received;
}

}  // namespace station_sim
