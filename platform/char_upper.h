#pragma once
// Upper-casing of one Windows-1252 character, as CharUpperBuffA does it on a western system.
#include <cstdint>

namespace platform {

uint8_t CharUpper(uint8_t ch);

}  // namespace platform
