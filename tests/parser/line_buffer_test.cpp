// The line buffer's bound: a normal reply is collected exactly, a station that never sends a
// TAB keeps the buffer small while its newest reply still parses, a stream without CR is capped.
#include <gtest/gtest.h>

#include <string>

#include "app/core/line_buffer.h"
#include "app/core/measurement_record.h"
#include "app/core/reply_parser.h"

namespace nimbrel {
namespace {

void FeedAll(LineBuffer& buffer, const std::string& characters) {
  for (char c : characters) buffer.Feed(c);
}

// A reply as the station lays it out: one triple per line, a blank before CR LF.
std::string StationReply(int n) {
  const std::string v = std::to_string(n);
  return "BARO " + v + " mbar \r\nQNH 1015.0 mbar \r\nALTI 85 m \r\nHUMI 45 %rF \r\n"
         "TEMP1 21.3 degC \r\nTEMP2 20.1 degC \r\nDEW " + v + " degC \r\n";
}

TEST(LineBuffer, CollectsEverythingButCrUntilTab) {
  LineBuffer buffer;
  int crs = 0;
  for (char c : std::string("\tA B \r\nC\x01 D\r\n")) crs += buffer.Feed(c) ? 1 : 0;
  EXPECT_EQ(crs, 2);
  EXPECT_EQ(buffer.Text(), "A B \nC\x01 D\n");
}

// The bound is applied at every CR; the text is parsed once per reply to keep the test quick.
TEST(LineBuffer, StationWithoutTabStaysBoundedAndGivesLatestValues) {
  LineBuffer buffer;
  MeasurementRecord record;
  const std::size_t longestLine = 20;
  for (int n = 0; n < 10000; ++n) {
    for (char c : StationReply(n)) {
      buffer.Feed(c);
      ASSERT_LE(buffer.Text().size(), LineBuffer::kDefaultKeptText + longestLine);
    }
    ParseReply(buffer.Text(), record);
    ASSERT_TRUE(record.IsComplete()) << n;
    ASSERT_EQ(record.Get(Quantity::kBaro).value, std::to_string(n));
    ASSERT_EQ(record.Get(Quantity::kDew).value, std::to_string(n));
  }
}

TEST(LineBuffer, CutsAtTheEarliestLineBoundaryThatFits) {
  LineBuffer buffer(8, 64);
  FeedAll(buffer, "aaa\rbbb\rccc\r");
  EXPECT_EQ(buffer.Text(), "bbbccc");
}

TEST(LineBuffer, KeepsALongLineWhole) {
  LineBuffer buffer(8, 64);
  FeedAll(buffer, "aaa\rbbb\rdddddddddddd\r");
  EXPECT_EQ(buffer.Text(), "dddddddddddd");
}

TEST(LineBuffer, StreamWithoutCrKeepsItsNewestBytesWithinTheCap) {
  LineBuffer buffer;
  std::string stream;
  for (int i = 0; i < 200000; ++i) stream += static_cast<char>('0' + i % 97);
  FeedAll(buffer, stream);
  EXPECT_LE(buffer.Text().size(), LineBuffer::kDefaultMaxText);
  EXPECT_GE(buffer.Text().size(), LineBuffer::kDefaultMaxText * 3 / 4);
  EXPECT_TRUE(stream.ends_with(buffer.Text()));
}

}  // namespace
}  // namespace nimbrel
