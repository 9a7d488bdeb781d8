#pragma once
// Test support: lowers the process's file size limit so that writes past it come up short and
// then fail (EFBIG, with SIGXFSZ ignored) instead of ending the process. Restored on destruction.
#include <cstdint>

namespace test_support {

class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(uint64_t bytes);
  ~ScopedFileSizeLimit();
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  uint64_t previousSoftLimit_;
  void (*previousHandler_)(int);
};

}  // namespace test_support
