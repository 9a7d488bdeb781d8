#pragma once
// The application's exception display: exceptions that end an event handler or a worker
// thread are reported here. The logger installs its error box; by default the message goes
// to stderr.
#include <exception>
#include <functional>

namespace sio {

using ExceptionHandler = std::function<void(const std::exception&)>;

// Installs the handler (an empty one restores the default) and returns the previous one.
ExceptionHandler SetExceptionHandler(ExceptionHandler handler);
void HandleException(const std::exception& error);

}  // namespace sio
