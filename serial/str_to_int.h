#pragma once
// Text to integer conversion that raises on anything but a whole number.
#include <cstdint>
#include <string_view>

namespace sio {

// Decimal digits with an optional minus sign, within the range of int32_t; anything else
// (an empty text, blanks, other characters, overflow) raises EConvertError
// "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view text);

}  // namespace sio
