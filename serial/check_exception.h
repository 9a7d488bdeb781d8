#pragma once
// The error check at the port object's boundary: turns a negative code into its exception.
#include <cstdint>

#include "serial/component.h"

namespace sio {

// Returns for codes >= 0 and for any code while `port` is being loaded; raises otherwise.
void CheckException(const TComponent* port, int32_t errorCode);

// Raises the exception class mapped to `errorCode` made from that code (the caller has chosen
// a code with a class), e.g. -2011 ENoPortSelected.
[[noreturn]] void RaiseSioError(int32_t errorCode);

}  // namespace sio
