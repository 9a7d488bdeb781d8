#include "serial/str_to_int.h"

#include <charconv>
#include <string>

#include "serial/exceptions.h"

namespace sio {

int32_t StrToInt(std::string_view text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

}  // namespace sio
