#include "serial/error_strings.h"

#include <gtest/gtest.h>

#include "tests/support/wine.h"

namespace sio {
namespace {

struct MessageCase {
  int16_t code;
  const char* text;
};

class ErrorMessageTest : public testing::TestWithParam<MessageCase> {};

TEST_P(ErrorMessageTest, GivesTheTextOfTheCode) {
  EXPECT_EQ(ErrorMessage(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ErrorMessageTest,
    testing::Values(
        MessageCase{0, "OK"}, MessageCase{2, "File not found"}, MessageCase{-2, "File not found"},
        MessageCase{162, "General failure"}, MessageCase{2008, "ie_Open - device already open"},
        MessageCase{-2008, "ie_Open - device already open"},
        MessageCase{2011, "The ComNumber property of the TSioComPort has not been set"},
        MessageCase{3006, "Output buffer too small for block"},
        MessageCase{5003, "Bad trigger handle"}, MessageCase{15001, "No event"},
        MessageCase{15010, "TrDatChg"}, MessageCase{15021, "Script"},
        MessageCase{15117, "Window"}, MessageCase{15119, "Method"},
        MessageCase{15501, "Time      Type      SubType       Data      OtherData"},
        MessageCase{15502, "--------  --------  ------------  --------  ---------"},
        MessageCase{15601, "DCTS "}, MessageCase{15608, "DCD "}));

TEST(ErrorMessageFallback, UsesTheCleanedSystemTextWhenTheTableHasNone) {
  if (test_support::RunningUnderWine()) GTEST_SKIP() << "Wine's message texts differ from Windows'";
  // "The parameter is incorrect.\r\n": control characters blanked, the double blank folded,
  // the single trailing blank kept.
  EXPECT_EQ(ErrorMessage(87), "The parameter is incorrect. ");
  EXPECT_EQ(ErrorMessage(-1117),
            "The request could not be performed because of an I/O device error. ");
}

TEST(ErrorMessageFallback, IsEmptyWithoutRowOrSystemText) {
  EXPECT_EQ(ErrorMessage(4242), "");
  EXPECT_EQ(ErrorMessage(15100), "");  // an empty row falls through to the (absent) system text
}

TEST(ErrorMessageFallback, SystemErrorsOutsideTheTableUseTheSystemText) {
  if (test_support::RunningUnderWine()) GTEST_SKIP() << "Wine's message texts differ from Windows'";
  EXPECT_EQ(ErrorMessage(995),
            "The I/O operation has been aborted because of either a thread exit or an "
            "application request. ");
}

}  // namespace
}  // namespace sio
