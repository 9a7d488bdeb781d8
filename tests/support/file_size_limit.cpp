#include "tests/support/file_size_limit.h"

#include <sys/resource.h>

#include <csignal>
#include <stdexcept>

namespace test_support {

namespace {

void SetSoftLimit(rlim_t bytes) {
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("getrlimit(RLIMIT_FSIZE)");
  limit.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit(RLIMIT_FSIZE)");
}

uint64_t CurrentSoftLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("getrlimit(RLIMIT_FSIZE)");
  return limit.rlim_cur;
}

}  // namespace

ScopedFileSizeLimit::ScopedFileSizeLimit(uint64_t bytes)
    : previousSoftLimit_(CurrentSoftLimit()), previousHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
  SetSoftLimit(bytes);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
  SetSoftLimit(previousSoftLimit_);
  std::signal(SIGXFSZ, previousHandler_);
}

}  // namespace test_support
