#include "serial/exception_handler.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace sio {

namespace {

std::mutex handlerLock;
ExceptionHandler installed;

}  // namespace

ExceptionHandler SetExceptionHandler(ExceptionHandler handler) {
  std::lock_guard guard(handlerLock);
  return std::exchange(installed, std::move(handler));
}

void HandleException(const std::exception& error) {
  ExceptionHandler handler;
  {
    std::lock_guard guard(handlerLock);
    handler = installed;
  }
  if (handler) {
    handler(error);
  } else {
    std::fprintf(stderr, "%s\n", error.what());
  }
}

}  // namespace sio
