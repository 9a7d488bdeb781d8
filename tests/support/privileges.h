#pragma once
// Test support: whether the tests run with root rights, under which file permissions do not
// stop a write.
namespace test_support {

bool RunningAsRoot();

}  // namespace test_support
