// Station replies fed character by character through the line buffer into the parser, as the
// window does: the record after the last CR and how many CRs gave a complete record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/line_buffer.h"
#include "app/core/measurement_record.h"
#include "app/core/reply_parser.h"

namespace nimbrel {
namespace {

struct Received {
  MeasurementRecord record;
  int completeParses = 0;
};

Received Receive(const std::string& characters) {
  LineBuffer buffer;
  Received received;
  for (char c : characters) {
    if (!buffer.Feed(c)) continue;
    ParseReply(buffer.Text(), received.record);
    if (received.record.IsComplete()) ++received.completeParses;
  }
  return received;
}

const std::string kSix =
    "BARO 1013.2 mbar QNH 1015.0 mbar ALTI 85 m HUMI 45 %rF TEMP1 21.3 degC TEMP2 20.1 degC";
const std::string kSeven = kSix + " DEW 9.1 degC";

struct Expected {
  Quantity quantity;
  std::string value;
  std::string unit;
};

struct ReplyCase {
  const char* name;
  std::string characters;
  int completeParses;
  std::vector<Expected> expected;
};

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

class ReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyTest, GivesRecord) {
  const ReplyCase& c = GetParam();
  const Received received = Receive(c.characters);
  EXPECT_EQ(received.completeParses, c.completeParses);
  for (const Expected& e : c.expected) {
    SCOPED_TRACE(std::string(Keyword(e.quantity)));
    EXPECT_EQ(received.record.Get(e.quantity).value, e.value);
    EXPECT_EQ(received.record.Get(e.quantity).unit, e.unit);
  }
}

const ReplyCase kReplyCases[] = {
    {"CompleteWithTrailingToken", kSeven + " x\r", 1,
     {{Quantity::kBaro, "1013.2", "mbar"},
      {Quantity::kHumi, "45", "%rF"},
      {Quantity::kDew, "9.1", "degC"}}},
    {"LastTokenIsNeverTaken", kSeven + "\r", 1, {{Quantity::kDew, "9.1", ""}}},
    {"ValueAtEndStaysEmpty", kSix + " DEW 9.1\r", 0, {{Quantity::kDew, "", ""}}},
    {"MissingValueReadsNoUnit", kSix + " TEMP2 --- DEW 9.1 degC x\r", 1,
     {{Quantity::kTemp2, "-20000", ""}, {Quantity::kDew, "9.1", "degC"}}},
    {"UnitAfterMissingValueIsTakenAsName", kSix + " TEMP2 --- degC DEW 9.1 degC x\r", 0,
     {{Quantity::kTemp2, "-20000", ""}, {Quantity::kDew, "", ""}}},
    {"NamesAnyCaseValuesKeepCase", "baro 1013.2 mBar Temp1 21.3 DegC x\r", 0,
     {{Quantity::kBaro, "1013.2", "mBar"}, {Quantity::kTemp1, "21.3", "DegC"}}},
    {"OneQuoteRemovedAtEachEnd", "\"BARO\" \"1\"2\" \"\"mbar\"\" x\r", 0,
     {{Quantity::kBaro, "1\"2", "\"mbar\""}}},
    {"NonAsciiBytesAreKept", "TEMP1 21.3 \xB0" "C x\r", 0, {{Quantity::kTemp1, "21.3", "\xB0" "C"}}},
    {"ControlCharactersTrimmedFromTokens", "BARO\x01 \x02" "1013.2 mbar\x7F x\r", 0,
     {{Quantity::kBaro, "1013.2", "mbar\x7F"}}},
    {"StarFirstYieldsNothing", " \n*" + kSeven + " x\r", 0, {{Quantity::kBaro, "", ""}}},
    {"StarInPlaceOfNameEndsReply", "BARO 1013.2 mbar *x QNH 1015.0 mbar x\r", 0,
     {{Quantity::kBaro, "1013.2", "mbar"}, {Quantity::kQnh, "", ""}}},
    {"StarAsValueIsAValue", "BARO * mbar x\r", 0, {{Quantity::kBaro, "*", "mbar"}}},
    {"LaterTripleReplacesEvenWithEmpties", "BARO 1 mbar BARO 2\r", 0, {{Quantity::kBaro, "", ""}}},
    {"UnknownNamesSkippedWithValueAndUnit", "WIND 3 m/s BARO 1013.2 mbar x\r", 0,
     {{Quantity::kBaro, "1013.2", "mbar"}}},
    {"SeveralBlanksAreOneSeparator", "BARO   1013.2    mbar  x\r", 0,
     {{Quantity::kBaro, "1013.2", "mbar"}}},
    {"OnlyBlankSeparatesLfStaysInToken", "BARO 1013.2 mbar\nQNH 1015.0 mbar x\r", 0,
     {{Quantity::kBaro, "1013.2", "mbar\nQNH"}, {Quantity::kQnh, "", ""}}},
    {"TabDiscardsEarlierText", kSix + "\tDEW 9.1 degC x\r", 0,
     {{Quantity::kBaro, "", ""}, {Quantity::kDew, "9.1", "degC"}}},
    {"EveryCrReparsesAccumulatedText", kSeven + " x\r\r", 2, {{Quantity::kDew, "9.1", "degC"}}},
    {"LineEndingInBlankGetsLastTokenAtNextCr", kSix + " DEW 9.1 degC \r\nx\r", 2,
     {{Quantity::kDew, "9.1", "degC"}}},
};

INSTANTIATE_TEST_SUITE_P(Replies, ReplyTest, ::testing::ValuesIn(kReplyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyParser, EveryParseStartsFromAnEmptyRecord) {
  MeasurementRecord record;
  ParseReply(kSeven + " x", record);
  ParseReply("QNH 1 mbar x", record);
  EXPECT_EQ(record.Get(Quantity::kBaro).value, "");
  EXPECT_EQ(record.Get(Quantity::kQnh).value, "1");
}

TEST(MeasurementRecord, DisplayTextKeepsTheBlankWithoutUnit) {
  MeasurementRecord record;
  ParseReply(kSeven + " x", record);
  EXPECT_EQ(record.DisplayText(Quantity::kBaro), "1013.2 mbar");
  ParseReply(kSeven, record);
  EXPECT_EQ(record.DisplayText(Quantity::kDew), "9.1 ");
}

}  // namespace
}  // namespace nimbrel
