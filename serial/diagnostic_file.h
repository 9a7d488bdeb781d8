#pragma once
// A diagnostic text file (trace or dispatch log), written through a 512-byte buffer with CR LF
// line ends on every platform, so the files look the same wherever they were made.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace sio {

class DiagnosticFile {
 public:
  // kCreate creates or truncates; kAppend appends, creating a missing file.
  enum class Mode { kCreate, kAppend };

  DiagnosticFile() = default;
  ~DiagnosticFile();
  DiagnosticFile(const DiagnosticFile&) = delete;
  DiagnosticFile& operator=(const DiagnosticFile&) = delete;

  // 0, or the negated system error number (Win32 numbering).
  int32_t Open(const std::string& name, Mode mode);

  // After the first failed write the file takes no more text; Close reports that failure.
  void Write(std::string_view text);
  void EndLine();

  // Flushes and closes: 0, or the negated number of the first write or close error.
  int32_t Close();

 private:
  static constexpr std::size_t kBufferSize = 512;

  std::FILE* file_ = nullptr;
  int firstErrno_ = 0;
  char buffer_[kBufferSize];
};

}  // namespace sio
