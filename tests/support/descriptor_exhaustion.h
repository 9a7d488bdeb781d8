#pragma once
// Test support: uses up every file descriptor the process may open, under a lowered descriptor
// limit, so that the next open fails with EMFILE. Everything is given back on destruction.
#include <cstdint>
#include <vector>

namespace test_support {

class ScopedDescriptorExhaustion {
 public:
  ScopedDescriptorExhaustion();
  ~ScopedDescriptorExhaustion();
  ScopedDescriptorExhaustion(const ScopedDescriptorExhaustion&) = delete;
  ScopedDescriptorExhaustion& operator=(const ScopedDescriptorExhaustion&) = delete;

 private:
  uint64_t previousSoftLimit_;
  std::vector<int> held_;
};

}  // namespace test_support
