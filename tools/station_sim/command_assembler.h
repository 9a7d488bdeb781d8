#pragma once
// The station's receive side: collects the bytes from the logger into commands ended by CR.
#include <optional>
#include <string>

namespace station_sim {

enum class Command { kRemote, kReadall, kUnknown };

struct ReceivedCommand {
  Command command = Command::kUnknown;
  std::string text;  // as received, without CR and surrounding blanks or controls
};

class CommandAssembler {
 public:
  // Takes one byte; at a CR returns the command the text before it names ("remote" and
  // "readall", in any case). Overlong text is cut, so a stream without CRs stays bounded.
  std::optional<ReceivedCommand> Feed(char byte);

 private:
  std::string text_;
};

}  // namespace station_sim
