// The command-line walk against a recording target, and the whole-number reading it uses.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/whole_number.h"

namespace nimbrel {
namespace {

// Records every call as a short text.
class RecordingTarget final : public CommandLineTarget {
 public:
  void SetComNumber(uint16_t number) override { calls.push_back("port " + std::to_string(number)); }
  void SetIntervalMinutes(int32_t minutes) override {
    calls.push_back("int " + std::to_string(minutes));
  }
  void SetFlagFileName(const std::string& path) override { calls.push_back("flag " + path); }
  void OpenOrCreateLogFile(const std::string& path) override {
    calls.push_back("file " + path);
    if (path == "failing") throw std::runtime_error("Dateizugriff verweigert");
  }
  void StartRecording() override { calls.push_back("record"); }

  std::vector<std::string> calls;
};

struct WalkCase {
  const char* what;
  std::vector<std::string> arguments;
  std::vector<std::string> calls;
};

std::vector<std::string> Padding(std::size_t count) { return std::vector<std::string>(count, "x"); }

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void PrintTo(const WalkCase& c, std::ostream* out) { *out << c.what; }

class CommandLineWalk : public testing::TestWithParam<WalkCase> {};

TEST_P(CommandLineWalk, CallsTheTargetInOrder) {
  RecordingTarget target;
  try {
    ApplyCommandLine(GetParam().arguments, target);
  } catch (const std::runtime_error&) {
    // The failing file ends the walk; what happened before is checked below.
  }
  EXPECT_EQ(target.calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineWalk,
    testing::Values(
        WalkCase{"full example, any order",
                 {"port=2", "file=c:\\wetter.txt", "int=45", "-record", "flag=c:\\nimbrel.flag"},
                 {"flag ", "port 2", "file c:\\wetter.txt", "int 45", "flag c:\\nimbrel.flag",
                  "record"}},
        WalkCase{"no arguments", {}, {"flag "}},
        WalkCase{"port=abc sets 0", {"port=abc"}, {"flag ", "port 0"}},
        WalkCase{"port=3 port=abc keeps 3", {"port=3", "port=abc"}, {"flag ", "port 3", "port 3"}},
        WalkCase{"empty port is invalid", {"port=4", "port="}, {"flag ", "port 4", "port 4"}},
        WalkCase{"port keeps its low 16 bits",
                 {"port=70000", "port=-1"},
                 {"flag ", "port 4464", "port 65535"}},
        WalkCase{"blanks and a sign before the number", {"port= +7"}, {"flag ", "port 7"}},
        WalkCase{"int values go to the field as read",
                 {"int=0", "int=500"},
                 {"flag ", "int 0", "int 500"}},
        WalkCase{"int=abc and int= set 60", {"int=abc", "int="}, {"flag ", "int 60", "int 60"}},
        WalkCase{"empty flag", {"flag=x", "flag="}, {"flag ", "flag x", "flag "}},
        WalkCase{"-record without file= does nothing", {"-record", "port=1"}, {"flag ", "port 1"}},
        WalkCase{"/RECORD in any case", {"/RECORD", "file=f"}, {"flag ", "file f", "record"}},
        WalkCase{"-Record before file=", {"-Record", "file=f"}, {"flag ", "file f", "record"}},
        WalkCase{"near misses of the switch",
                 {"file=f", "-records", "--record", "record", "-rec"},
                 {"flag ", "file f"}},
        WalkCase{"the switch as the eleventh argument counts",
                 Join(Join({"file=f"}, Padding(9)), {"-record"}),
                 {"flag ", "file f", "record"}},
        WalkCase{"a key=value as the eleventh argument is ignored",
                 Join(Padding(10), {"file=f", "port=5"}),
                 {"flag "}},
        WalkCase{"keys are lower case only",
                 {"PORT=2", "File=x", "Int=5", "FLAG=y", "-record"},
                 {"flag "}},
        WalkCase{"several files: each is opened, the switch is honoured once",
                 {"file=a", "-record", "file=b"},
                 {"flag ", "file a", "file b", "record"}},
        WalkCase{"a failing file ends the walk before later arguments and the switch",
                 {"file=failing", "int=5", "-record"},
                 {"flag ", "file failing"}}),
    [](const testing::TestParamInfo<WalkCase>& info) {
      return "case" + std::to_string(info.index);
    });

TEST(CommandLine, RecordSwitch) {
  for (const char* yes : {"-record", "/record", "-RECORD", "/ReCoRd"})
    EXPECT_TRUE(IsRecordSwitch(yes)) << yes;
  for (const char* no :
       {"record", "-recorD ", " -record", "+record", "-", "-recordx", "\\record", ""}) {
    EXPECT_FALSE(IsRecordSwitch(no)) << no;
  }
}

TEST(WholeNumber, ReadsTheWholeTextAsADecimalNumber) {
  const struct {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"42", 42},
      {"  42", 42},
      {"+42", 42},
      {"-42", -42},
      {" -7", -7},
      {"0", 0},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-4", std::nullopt},
      {"--4", std::nullopt},
      {"42 ", std::nullopt},
      {"4 2", std::nullopt},
      {"1,5", std::nullopt},
      {"1.5", std::nullopt},
      {"abc", std::nullopt},
      {"0x10", std::nullopt},
      {"2147483648", std::nullopt},
      {"\t4", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseWholeNumber(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace nimbrel
