// The real station-sim binary on a pseudo-terminal, polled as the logger polls ("remote" CR,
// then "readall" CR) and its answers read through the logger's parser.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "app/core/measurement_record.h"
#include "tests/simulator/logger_receiver.h"
#include "tests/simulator/simulator_process.h"
#include "tests/simulator/terminal_client.h"

namespace station_sim {
namespace {

using namespace std::chrono_literals;
using nimbrel::Quantity;

// Guards against a hang; no case comes near it.
constexpr auto kDeadline = 10s;
constexpr int kPolls = 3;

// A simulator started with some options and the logger's end of its pseudo-terminal.
class SimulatorRun {
 public:
  explicit SimulatorRun(std::vector<std::string> arguments) : process_(arguments) {
    const std::string path = process_.ReadLine(kDeadline);
    if (path.empty()) throw std::runtime_error("station-sim printed no device path");
    terminal_ = std::make_unique<TerminalClient>(path);
  }

  void Poll() {
    terminal_->Write("remote\r");
    terminal_->Write("readall\r");
  }

  // Reads until the logger has seen `parses` complete records and the line end after the
  // last one, or until the device goes or the deadline passes. False when the device went.
  bool ReceiveUntil(int parses) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    bool lineEnded = false;
    while (!(logger_.CompleteParses() >= parses && lineEnded) &&
           std::chrono::steady_clock::now() < deadline) {
      const Received received = terminal_->Read(100ms);
      if (received.hungUp) return false;
      logger_.Feed(received.bytes);
      if (!received.bytes.empty()) lineEnded = received.bytes.back() == '\n';
    }
    return true;
  }

  // Everything that arrives within the given time; true when the device went.
  bool ReceiveFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
      const Received received = terminal_->Read(50ms);
      if (received.hungUp) return true;
      logger_.Feed(received.bytes);
      received_ += received.bytes;
    }
    return false;
  }

  const LoggerReceiver& Logger() const { return logger_; }
  const std::string& ReceivedLater() const { return received_; }
  SimulatorProcess& Process() { return process_; }

 private:
  SimulatorProcess process_;
  std::unique_ptr<TerminalClient> terminal_;
  LoggerReceiver logger_;
  std::string received_;
};

struct Expected {
  Quantity quantity;
  std::string value;
};

struct AnswerCase {
  std::string name;
  std::vector<std::string> arguments;
  std::vector<Expected> expected;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class AnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerTest, EveryPollGivesExactlyOneCompleteRecord) {
  const AnswerCase& c = GetParam();
  std::vector<std::string> arguments{"--seed", "1"};
  arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
  SimulatorRun run(arguments);
  for (int poll = 1; poll <= kPolls; ++poll) {
    SCOPED_TRACE(poll);
    run.Poll();
    ASSERT_TRUE(run.ReceiveUntil(poll));
    ASSERT_EQ(run.Logger().CompleteParses(), poll);
  }
  EXPECT_FALSE(run.ReceiveFor(200ms));
  EXPECT_EQ(run.Logger().CompleteParses(), kPolls) << "more records than polls";
  for (const Expected& e : c.expected) {
    EXPECT_EQ(run.Logger().LastComplete().Get(e.quantity).value, e.value)
        << nimbrel::Keyword(e.quantity);
  }
  run.Process().Signal(SIGTERM);
  EXPECT_EQ(run.Process().WaitExit(kDeadline), 0);
}

const AnswerCase kAnswerCases[] = {
    {"Plain", {}, {{Quantity::kAlti, "85"}}},
    {"Altitude", {"--altitude", "1500"}, {{Quantity::kAlti, "1500"}}},
    {"MissingSensors",
     {"--missing", "temp2", "--missing", "DEW"},
     {{Quantity::kTemp2, "-20000"}, {Quantity::kDew, "-20000"}}},
    {"Garbage", {"--garbage"}, {}},
    {"Chunks", {"--chunks", "3"}, {}},
    {"GarbageInChunks", {"--garbage", "--chunks", "7"}, {}},
    {"Delayed", {"--delay", "300"}, {}},
};

INSTANTIATE_TEST_SUITE_P(StationSim, AnswerTest, ::testing::ValuesIn(kAnswerCases),
                         [](const auto& info) { return info.param.name; });

TEST(StationSim, SilentStationNeverAnswersAndStopsOnInterrupt) {
  SimulatorRun run({"--silent"});
  run.Poll();
  EXPECT_FALSE(run.ReceiveFor(500ms));
  EXPECT_EQ(run.ReceivedLater(), "");
  run.Process().Signal(SIGINT);
  EXPECT_EQ(run.Process().WaitExit(kDeadline), 0);
}

TEST(StationSim, DeviceVanishesAfterTheGivenNumberOfPolls) {
  SimulatorRun run({"--disconnect-after", "2"});
  for (int poll = 1; poll <= 2; ++poll) {
    run.Poll();
    ASSERT_TRUE(run.ReceiveUntil(poll));
  }
  EXPECT_EQ(run.Logger().CompleteParses(), 2);
  EXPECT_TRUE(run.ReceiveFor(kDeadline)) << "the device is still there";
  EXPECT_EQ(run.Process().WaitExit(kDeadline), 0);
}

TEST(StationSim, RejectsBadOptions) {
  const std::vector<std::vector<std::string>> kBadOptions{
      {"--missing", "WIND"},   {"--chunks", "0"},    {"--delay", "soon"},
      {"--altitude", "99999"}, {"--no-such-option"}, {"stray"}};
  for (const auto& arguments : kBadOptions) {
    SimulatorProcess process(arguments);
    EXPECT_EQ(process.WaitExit(kDeadline), 2) << arguments[0];
  }
}

}  // namespace
}  // namespace station_sim
