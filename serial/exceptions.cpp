#include "serial/exceptions.h"

#include <cstdlib>

#include "serial/error_strings.h"

namespace sio {

ESioException::ESioException(int32_t errorCode)
    : Exception(ErrorMessage(static_cast<int16_t>(std::abs(errorCode)))), errorCode_(errorCode) {}

}  // namespace sio
