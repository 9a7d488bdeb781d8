#pragma once
// Handles the calling thread's window messages until a condition holds, as a GUI event loop
// would while the test waits for something that the worker threads deliver.
#include <chrono>
#include <functional>

namespace test_support {

// False when `timeout` passed before `condition` held.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace test_support
