#include "tests/support/descriptor_exhaustion.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <stdexcept>

namespace test_support {

namespace {

// Low enough to fill quickly, above what a test process normally has open.
constexpr rlim_t kLoweredLimit = 64;

rlimit DescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) throw std::runtime_error("getrlimit(RLIMIT_NOFILE)");
  return limit;
}

void SetSoftLimit(rlim_t count) {
  rlimit limit = DescriptorLimit();
  limit.rlim_cur = count;
  if (setrlimit(RLIMIT_NOFILE, &limit) != 0) throw std::runtime_error("setrlimit(RLIMIT_NOFILE)");
}

}  // namespace

ScopedDescriptorExhaustion::ScopedDescriptorExhaustion()
    : previousSoftLimit_(DescriptorLimit().rlim_cur) {
  SetSoftLimit(kLoweredLimit);
  for (int fd = open("/dev/null", O_RDONLY | O_CLOEXEC); fd >= 0;
       fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) {
    held_.push_back(fd);
  }
}

ScopedDescriptorExhaustion::~ScopedDescriptorExhaustion() {
  for (int fd : held_) close(fd);
  SetSoftLimit(previousSoftLimit_);
}

}  // namespace test_support
