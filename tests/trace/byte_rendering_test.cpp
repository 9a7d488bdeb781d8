#include "serial/byte_rendering.h"

#include <gtest/gtest.h>

#include <ostream>

namespace sio {
namespace {

struct RenderCase {
  uint8_t byte;
  bool inHex;
  bool allHex;
  const char* text;
};

void PrintTo(const RenderCase& c, std::ostream* out) {
  *out << "byte " << static_cast<int>(c.byte) << (c.inHex ? " inHex" : "")
       << (c.allHex ? " allHex" : "");
}

class RenderDataByteTest : public testing::TestWithParam<RenderCase> {};

TEST_P(RenderDataByteTest, GivesTheTextAndWidth) {
  EXPECT_EQ(RenderDataByte(GetParam().byte, GetParam().inHex, GetParam().allHex), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RenderDataByteTest,
    testing::Values(
        // AllHex: every byte in brackets, letters and blanks too, whatever InHex says.
        RenderCase{'A', false, true, "[41]"}, RenderCase{' ', true, true, "[20]"},
        RenderCase{0x0D, false, true, "[0D]"}, RenderCase{0xFF, true, true, "[FF]"},
        // Printable bytes as themselves; the blank only outside hex mode.
        RenderCase{'a', true, false, "a"}, RenderCase{'~', false, false, "~"},
        RenderCase{'!', true, false, "!"}, RenderCase{' ', false, false, " "},
        RenderCase{' ', true, false, "[20]"},
        // Others in hex, or in decimal of width 3, 4 or 5.
        RenderCase{0x0D, true, false, "[0D]"}, RenderCase{0x7F, true, false, "[7F]"},
        RenderCase{0x00, true, false, "[00]"}, RenderCase{0x0D, false, false, "[13]"},
        RenderCase{0x00, false, false, "[0]"}, RenderCase{9, false, false, "[9]"},
        RenderCase{10, false, false, "[10]"}, RenderCase{0x7F, false, false, "[127]"},
        RenderCase{200, false, false, "[200]"}));

}  // namespace
}  // namespace sio
