#pragma once
// Reading a text as a whole number, the way the command line and the settings fields read
// their values.
#include <cstdint>
#include <optional>
#include <string_view>

namespace nimbrel {

// The value when the whole text is a decimal whole number within the range of int32_t,
// optionally preceded by blanks and a sign ("+" or "-"); nothing for anything else, the empty
// text included.
std::optional<int32_t> ParseWholeNumber(std::string_view text);

}  // namespace nimbrel
