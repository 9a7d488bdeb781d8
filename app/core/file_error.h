#pragma once
// The runtime's file errors as the user sees them: German messages for the error numbers that
// the platform's file operations return.
#include <cstdint>
#include <string>

namespace nimbrel {

// "Datei nicht gefunden" for 2 ... "E/A-Fehler <code>" for numbers without a text of their own.
std::string FileErrorMessage(int32_t code);

// Raises sio::EInOutError with the message and code of a failed file operation; returns when
// result is 0.
void CheckFileResult(int32_t result);

}  // namespace nimbrel
