#include "serial/diagnostic_file.h"

#include <cerrno>

#include "platform/system_error.h"

namespace sio {

namespace {

int32_t NegatedSystemError(int err) {
  return -static_cast<int32_t>(platform::SystemErrorFromErrno(err));
}

// A failing stream call need not set errno; count such a failure as a device error.
int ErrnoOrIo() { return errno != 0 ? errno : EIO; }

}  // namespace

DiagnosticFile::~DiagnosticFile() {
  if (file_ != nullptr) std::fclose(file_);
}

int32_t DiagnosticFile::Open(const std::string& name, Mode mode) {
  errno = 0;
  file_ = std::fopen(name.c_str(), mode == Mode::kCreate ? "wb" : "ab");
  if (file_ == nullptr) {
    const int err = ErrnoOrIo();
    // Both modes create a missing file, so a missing name can only mean a missing folder.
    return err == ENOENT ? -static_cast<int32_t>(platform::kErrorPathNotFound)
                         : NegatedSystemError(err);
  }
  std::setvbuf(file_, buffer_, _IOFBF, kBufferSize);
  firstErrno_ = 0;
  return 0;
}

void DiagnosticFile::Write(std::string_view text) {
  if (file_ == nullptr || firstErrno_ != 0 || text.empty()) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) firstErrno_ = ErrnoOrIo();
}

void DiagnosticFile::EndLine() { Write("\r\n"); }

int32_t DiagnosticFile::Close() {
  if (file_ == nullptr) return 0;
  errno = 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (firstErrno_ == 0 && !closed) firstErrno_ = ErrnoOrIo();
  return firstErrno_ == 0 ? 0 : NegatedSystemError(firstErrno_);
}

}  // namespace sio
