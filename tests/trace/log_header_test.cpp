#include "serial/log_header.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/os_version.h"

namespace sio {
namespace {

using testing::AnyOf;
using testing::MatchesRegex;
using testing::StartsWith;

TEST(LogHeaderTest, DateAndTimeUseTheGivenSeparatorsAndTwoDigitFields) {
  struct Case {
    platform::LocalDateTime time;
    char dateSeparator;
    char timeSeparator;
    const char* text;
  };
  const Case cases[] = {
      {{2006, 6, 28, 14, 5, 9}, '/', ':', "28/06/06, 14:05:09"},
      {{2006, 6, 28, 14, 5, 9}, '.', ':', "28.06.06, 14:05:09"},
      {{2000, 1, 2, 0, 0, 0}, '-', '.', "02-01-00, 00.00.00"},
      {{2031, 12, 31, 23, 59, 59}, '/', ':', "31/12/31, 23:59:59"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatLogDateTime(c.time, c.dateSeparator, c.timeSeparator), c.text);
  }
}

TEST(LogHeaderTest, NamesTheToolchainWithItsVersion) {
  // Without a regular expression: googletest's differ between Linux and Windows.
  const std::string name = ToolchainName();
  const size_t blank = name.find(' ');
  ASSERT_NE(blank, std::string::npos) << name;
  EXPECT_THAT(name.substr(0, blank), AnyOf("GCC", "Clang", "MSVC"));
  const std::string version = name.substr(blank + 1);
  EXPECT_FALSE(version.empty());
  EXPECT_EQ(version.find_first_not_of("0123456789."), std::string::npos) << version;
}

#if defined(_WIN32)
TEST(LogHeaderTest, OperatingSystemOnWindowsIsTheNtFamilyWordWithTheVersion) {
  // Every Windows since Vista is "WinNT ", then major.minor, a blank and the service pack.
  const std::string os = platform::OperatingSystemDescription();
  ASSERT_THAT(os, StartsWith("WinNT "));
  const size_t dot = os.find('.');
  const size_t blank = os.find(' ', 6);
  ASSERT_NE(dot, std::string::npos) << os;
  ASSERT_NE(blank, std::string::npos) << os;
  EXPECT_GT(std::stoi(os.substr(6, dot - 6)), 5) << os;
  EXPECT_EQ(os.substr(dot + 1, blank - dot - 1).find_first_not_of("0123456789"), std::string::npos) << os;
}
#else
TEST(LogHeaderTest, OperatingSystemOutsideWindowsIsUnknownWithTheKernelNamed) {
  EXPECT_THAT(platform::OperatingSystemDescription(), MatchesRegex("Unknown \\(.+ .+\\)"));
}
#endif

}  // namespace
}  // namespace sio
