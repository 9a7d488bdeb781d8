// The simulator's command reader: commands ended by CR, however the bytes arrive.
#include "tools/station_sim/command_assembler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace station_sim {
namespace {

std::vector<Command> Commands(const std::string& bytes) {
  CommandAssembler assembler;
  std::vector<Command> commands;
  for (const char byte : bytes) {
    if (const auto received = assembler.Feed(byte)) commands.push_back(received->command);
  }
  return commands;
}

TEST(CommandAssembler, ReadsCommandsEndedByCr) {
  using enum Command;
  const struct {
    const char* what;
    std::string bytes;
    std::vector<Command> commands;
  } kCases[] = {
      {"a poll", "remote\rreadall\r", {kRemote, kReadall}},
      {"no CR yet", "readall", {}},
      {"LF after each CR", "remote\r\nreadall\r\n", {kRemote, kReadall}},
      {"any case, blanks around", " ReadAll \r", {kReadall}},
      {"unknown and empty", "status\r\r", {kUnknown, kUnknown}},
      {"overlong text is not a command",
       std::string(100, 'x') + "readall\rreadall\r",
       {kUnknown, kReadall}},
  };
  for (const auto& c : kCases) EXPECT_EQ(Commands(c.bytes), c.commands) << c.what;
}

}  // namespace
}  // namespace station_sim
