// The texts of the log file: time stamps, the header's short date, record lines.
#include <gtest/gtest.h>

#include <string>

#include "app/core/log_format.h"
#include "app/core/reply_parser.h"

namespace nimbrel {
namespace {

struct StampCase {
  platform::LocalDateTime time;
  std::string stamp;
  std::string headerDate;
};

class TimeStampTest : public ::testing::TestWithParam<StampCase> {};

TEST_P(TimeStampTest, PadsAllButTheYear) {
  const StampCase& c = GetParam();
  EXPECT_EQ(FormatTimeStamp(c.time), c.stamp);
  const std::string header = FormatFileHeader(c.time);
  const std::size_t line2 = header.find("\r\n") + 2;
  EXPECT_EQ(header.substr(line2, c.headerDate.size() + 1), c.headerDate + ",");
  EXPECT_NE(header.find("#" + c.stamp + "#"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Times, TimeStampTest,
    ::testing::Values(StampCase{{2006, 6, 28, 14, 5, 9}, "2006-06-28 14:05:09", "28.06.06"},
                      StampCase{{2009, 1, 2, 3, 4, 5}, "2009-01-02 03:04:05", "02.01.09"},
                      StampCase{{2000, 10, 11, 0, 0, 0}, "2000-10-11 00:00:00", "11.10.00"},
                      StampCase{{999, 12, 31, 23, 59, 58}, "999-12-31 23:59:58", "31.12.99"}));

TEST(LogFormat, MissingValueIsLoggedAsMinus20000) {
  MeasurementRecord record;
  ParseReply("BARO 1013.2 mbar QNH --- ALTI 85 m HUMI 45 %rF TEMP1 21.3 degC TEMP2 --- x y", record);
  EXPECT_EQ(FormatRecordLine(record, {2006, 6, 28, 14, 6, 12}),
            "#2006-06-28 14:06:12#,1013.2,-20000,85,45,21.3,-20000\r\n");
}

TEST(LogFormat, ALineBreakInsideAValueDoesNotSplitTheRecord) {
  MeasurementRecord record;
  ParseReply("BARO 1013.2 mbar QNH 10\n15.0 mbar ALTI 85 m HUMI 45 %rF TEMP1 21.3 degC "
             "TEMP2 20\r.1 degC DEW 9.1 degC x",
             record);
  ASSERT_TRUE(record.IsComplete());
  EXPECT_EQ(FormatRecordLine(record, {2006, 6, 28, 14, 6, 12}),
            "#2006-06-28 14:06:12#,1013.2,10 15.0,85,45,21.3,20 .1\r\n");
}

}  // namespace
}  // namespace nimbrel
