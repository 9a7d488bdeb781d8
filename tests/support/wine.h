#pragma once
// Test support: whether the tests run under Wine, which differs from Windows in a few places
// (message texts, exclusive opening of COM ports, reads on an empty queue). False on Linux.
namespace test_support {

bool RunningUnderWine();

}  // namespace test_support
