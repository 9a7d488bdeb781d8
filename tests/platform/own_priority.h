#pragma once
// The calling thread's scheduling priority in the system's own terms: its nice value on
// POSIX, its Win32 priority level on Windows.
namespace platform::testing {

int OwnSystemPriority();
// ThreadPriority::kIdle in those terms.
int IdleSystemPriority();

}  // namespace platform::testing
