#include "serial/str_to_int.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "serial/exceptions.h"

namespace sio {
namespace {

TEST(StrToInt, ConvertsWholeNumbers) {
  const std::pair<const char*, int32_t> cases[] = {
      {"12", 12},
      {"0", 0},
      {"007", 7},
      {"-7", -7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(StrToInt(text), value) << text;
}

TEST(StrToInt, RaisesConvertErrorNamingTheText) {
  for (const std::string text : {"", "12a", "1 2", " 1", "x", "-", "2147483648", "1.0"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), "'" + text + "' is not a valid integer value");
    }
  }
}

}  // namespace
}  // namespace sio
