#pragma once
// The operating system's counter behind the millisecond clock (one implementation per system).
#include "platform/clock.h"

namespace platform {

CounterSource SystemCounterSource();

}  // namespace platform
